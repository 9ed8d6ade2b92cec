// The variable table and the operand layout that "fnumv" fixes.
#include "interp/operands.h"
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

// The slot a field names, read as the handlers read it: once without a line cache, and twice
// through one (the second time from the cache), which must all agree.
TEST(slots, arenamedbynumberswithblanksandleadingzerosalikewithandwithoutacache) {
    vartable table;
    table.rebuild(12);
    auto slotof = [&](const char16_t* field, fieldcache* cache) -> Value& {
        text line = u"fprnt" + text(field);
        operands f(table, line, 1, cache);
        return f.slot(1);
    };
    struct fieldcase {
        const char16_t* field;
        int slot; // -1: the error below
        errorkind error;
    };
    for (fieldcase c : {fieldcase{u"03", 3, {}}, fieldcase{u" 3", 3, {}}, fieldcase{u"3 ", 3, {}},
                        fieldcase{u"2.5", 2, {}}, fieldcase{u"12", 12, {}},
                        fieldcase{u"3x", -1, errorkind::typemismatch},
                        fieldcase{u"", -1, errorkind::typemismatch},
                        fieldcase{u"-1", -1, errorkind::subscriptoutofrange},
                        fieldcase{u"13", -1, errorkind::subscriptoutofrange}}) {
        fieldcache cache;
        for (fieldcache* used : {static_cast<fieldcache*>(nullptr), &cache, &cache}) {
            if (c.slot >= 0) {
                EXPECT_EQ(&slotof(c.field, used), &table.slot(c.slot));
            } else {
                EXPECT_EQ(failurekind([&] { slotof(c.field, used); }), c.error);
            }
        }
    }
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
    text line = u"fprntx";
    operands f(table, line, 1, nullptr);
    EXPECT_EQ(failurekind([&] { f.slot(1); }), errorkind::subscriptoutofrange);
    EXPECT_EQ(failurekind([&] { table.slot(0); }), errorkind::subscriptoutofrange);
}
