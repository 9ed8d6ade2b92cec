// The variable table and the operand layout that "fnumv" fixes.
#include "interp/runerror.h"
#include "interp/variables.h"

#include "failurekind.h"

#include <gtest/gtest.h>

using namespace tovl;

namespace {} // namespace

TEST(layout, fieldwidthisthedigitcountofthetablesize) {
    struct row {
        int16_t n;
        int16_t width;
    };
    for (row r : {row{-5, 1}, row{0, 1}, row{9, 1}, row{10, 2}, row{99, 2}, row{100, 3},
                  row{999, 3}, row{1000, 4}, row{9999, 4}, row{10000, 5}, row{32767, 5}}) {
        vartable table;
        try {
            table.rebuild(r.n);
        } catch (const runerror&) {
            EXPECT_LT(r.n, 0);
        }
        EXPECT_EQ(table.fieldwidth(), r.width) << r.n;
        for (int k = 1; k <= 4; ++k)
            EXPECT_EQ(table.argpos(k), 6 + (k - 1) * r.width) << r.n;
    }
}

TEST(layout, fieldsarecutfromfixedcolumns) {
    vartable table;
    table.rebuild(12);
    textview line = u"fmath010203+";
    EXPECT_EQ(table.fieldtext(line, 1), u"01");
    EXPECT_EQ(table.fieldtext(line, 3), u"03");
    EXPECT_EQ(table.fieldtext(line, 4), u"+");    // the line ends inside the field
    EXPECT_EQ(table.fieldtext(u"fprnt", 1), u""); // the line ends before the field
    EXPECT_EQ(table.fieldrest(line, 2), u"0203+");
    EXPECT_EQ(table.fieldrest(u"fsetv", 2), u"");
}

TEST(layout, everyfieldisaninvalidargumentbeforethefirstfnumv) {
    vartable table;
    EXPECT_EQ(failurekind([&] { table.fieldtext(u"fsetv1abc", 1); }), errorkind::invalidargument);
    EXPECT_EQ(failurekind([&] { table.fieldrest(u"fsetv1abc", 2); }), errorkind::invalidargument);
}

TEST(slots, arenamedbynumberswithblanksandleadingzeros) {
    vartable table;
    table.rebuild(12);
    Value& three = table.slot(3);
    EXPECT_EQ(&table.slotfor(u"03"), &three);
    EXPECT_EQ(&table.slotfor(u" 3"), &three);
    EXPECT_EQ(&table.slotfor(u"3 "), &three);
    EXPECT_EQ(&table.slotfor(u"2.5"), &table.slot(2));
    EXPECT_EQ(&table.slotfor(u"12"), &table.slot(12));
    EXPECT_EQ(failurekind([&] { table.slotfor(u"3x"); }), errorkind::typemismatch);
    EXPECT_EQ(failurekind([&] { table.slotfor(u""); }), errorkind::typemismatch);
    EXPECT_EQ(failurekind([&] { table.slotfor(u"-1"); }), errorkind::subscriptoutofrange);
    EXPECT_EQ(failurekind([&] { table.slotfor(u"13"); }), errorkind::subscriptoutofrange);
}

TEST(slots, rebuildingemptieseveryslotandanegativesizeleavesnotable) {
    vartable table;
    table.rebuild(5);
    table.slot(1) = Value::fromtext(u"abc");
    table.rebuild(5);
    EXPECT_EQ(table.slot(1).kind(), ValueKind::Empty);
    EXPECT_EQ(failurekind([&] { table.rebuild(-1); }), errorkind::subscriptoutofrange);
    EXPECT_EQ(table.numvars(), -1);
    // The missing table is checked before the field's number.
    EXPECT_EQ(failurekind([&] { table.slotfor(u"x"); }), errorkind::subscriptoutofrange);
    EXPECT_EQ(failurekind([&] { table.slot(0); }), errorkind::subscriptoutofrange);
}
