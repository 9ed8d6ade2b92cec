// Number parsing, rounding and number text.
#include "interp/numbers.h"
#include "interp/runerror.h"

#include "failurekind.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace tovl;

namespace {} // namespace

TEST(strictnumber, acceptswholedecimalnumberswithblanksaround) {
    EXPECT_EQ(strictnumber(u"7"), 7);
    EXPECT_EQ(strictnumber(u"  7  "), 7);
    EXPECT_EQ(strictnumber(u"-2.5"), -2.5);
    EXPECT_EQ(strictnumber(u"+3"), 3);
    EXPECT_EQ(strictnumber(u".5"), 0.5);
    EXPECT_EQ(strictnumber(u"5."), 5);
    EXPECT_EQ(strictnumber(u"1e3"), 1000);
    EXPECT_EQ(strictnumber(u"1E-2"), 0.01);
    EXPECT_EQ(strictnumber(u"007"), 7);
    EXPECT_EQ(strictnumber(u"1e-400"), 0);
}

TEST(strictnumber, rejectsanythingthatisnotjustanumber) {
    for (const char16_t* bad : {u"", u" ", u"-", u"+", u".", u"3x", u"x3", u"1 2", u"1e", u"1e+",
                                u"1.2.3", u"\t5", u"0x10", u"1,5", u"--1"}) {
        EXPECT_EQ(failurekind([&] { strictnumber(bad); }), errorkind::typemismatch)
            << "for \"" << std::string(bad, bad + std::char_traits<char16_t>::length(bad)) << "\"";
    }
    EXPECT_EQ(failurekind([] { strictnumber(u"1e400"); }), errorkind::overflow);
}

TEST(leadnumber, readsthenumberatthestartandignorestherest) {
    EXPECT_EQ(leadnumber(u"12abc"), 12);
    EXPECT_EQ(leadnumber(u"abc"), 0);
    EXPECT_EQ(leadnumber(u""), 0);
    EXPECT_EQ(leadnumber(u"1 2"), 12);
    EXPECT_EQ(leadnumber(u"3.7.2"), 3.7);
    EXPECT_EQ(leadnumber(u"-4x"), -4);
    EXPECT_EQ(leadnumber(u" \t\n-\t1\n0"), -10);
    EXPECT_EQ(leadnumber(u"2e3x"), 2000);
    EXPECT_EQ(leadnumber(u"2ex"), 2);
    EXPECT_EQ(leadnumber(u"-"), 0);
    EXPECT_EQ(leadnumber(u"\r5"), 0); // a carriage return is not dropped
}

TEST(rounding, halvesgototheevenneighbour) {
    EXPECT_EQ(roundint32(2.5), 2);
    EXPECT_EQ(roundint32(3.5), 4);
    EXPECT_EQ(roundint32(-2.5), -2);
    EXPECT_EQ(roundint32(2.5000001), 3);
    EXPECT_EQ(roundint16(32767.4), 32767);
    EXPECT_EQ(roundint16(-32768.5), -32768);
    EXPECT_EQ(failurekind([] { roundint16(32767.5); }), errorkind::overflow);
    EXPECT_EQ(failurekind([] { roundint32(2147483647.5); }), errorkind::overflow);
    EXPECT_EQ(roundint32(-2147483648.0), std::numeric_limits<int32_t>::min());
}

TEST(tosingle, overflowsonlybeyondthefloatrange) {
    EXPECT_EQ(tosingle(3e38), 3e38f);
    EXPECT_EQ(failurekind([] { tosingle(3.5e38); }), errorkind::overflow);
    EXPECT_EQ(tosingle(1e-50), 0.0f);
}

TEST(numbertext, showssevenorfifteensignificantdigits) {
    EXPECT_EQ(numbertext(3.0f, singledigits), u"3");
    EXPECT_EQ(numbertext(-2.5, doubledigits), u"-2.5");
    EXPECT_EQ(numbertext(1.0f / 3.0f, singledigits), u"0.3333333");
    EXPECT_EQ(numbertext(1.0 / 3.0, doubledigits), u"0.333333333333333");
    EXPECT_EQ(numbertext(2.0 / 3.0, doubledigits), u"0.666666666666667");
    EXPECT_EQ(numbertext(0.1f, singledigits), u"0.1"); // the float's binary tail is not shown
    EXPECT_EQ(numbertext(-0.0, doubledigits), u"0");
}

TEST(numbertext, switchestoexponentformwherethedigitscannotshowthevalue) {
    EXPECT_EQ(numbertext(16777216.0f, singledigits), u"1.677722E+07");
    EXPECT_EQ(numbertext(9999999.0f, singledigits), u"9999999");
    EXPECT_EQ(numbertext(10000000.0f, singledigits), u"1E+07");
    EXPECT_EQ(numbertext(123456789012345.0, doubledigits), u"123456789012345");
    EXPECT_EQ(numbertext(1234567890123456.0, doubledigits), u"1.23456789012346E+15");
    EXPECT_EQ(numbertext(0.0001, doubledigits), u"0.0001");
    EXPECT_EQ(numbertext(0.00001, doubledigits), u"1E-05");
    EXPECT_EQ(numbertext(-1.5e-7, doubledigits), u"-1.5E-07");
    EXPECT_EQ(numbertext(1e100, doubledigits), u"1E+100");
    EXPECT_EQ(numbertext(3e38f, singledigits), u"3E+38");
}

TEST(numbertext, wholenumbersprintthesameonbothsidesofthedigitlimit) {
    // Whole numbers below the limit take a shortcut; the limit itself takes the general path.
    EXPECT_EQ(numbertext(9999999.0, singledigits), u"9999999");
    EXPECT_EQ(numbertext(-9999999.0, singledigits), u"-9999999");
    EXPECT_EQ(numbertext(999999999999999.0, doubledigits), u"999999999999999");
    EXPECT_EQ(numbertext(1e15, doubledigits), u"1E+15");
    EXPECT_EQ(numbertext(-1e15, doubledigits), u"-1E+15");
    EXPECT_EQ(numbertext(99999995.0, singledigits), u"1E+08");
    EXPECT_EQ(numbertext(1234567.5, singledigits), u"1234568");
}

TEST(strictnumber, shortintegersreadlikeanyothernumber) {
    EXPECT_EQ(strictnumber(u"123456789012345"), 123456789012345.0);
    EXPECT_EQ(strictnumber(u"1234567890123456"), 1234567890123456.0);
    EXPECT_EQ(strictnumber(u"-0"), 0.0);
    EXPECT_TRUE(std::signbit(strictnumber(u"-0")));
    EXPECT_EQ(strictnumber(u"+007"), 7.0);
    EXPECT_EQ(leadnumber(u"12345678901234567890"), 12345678901234567890.0);
}

TEST(fieldnumbers, afieldroundsthesamethroughafloatasthroughitsownnumber) {
    // "fmath" checks its fields as 32-bit floats but resolves slots from the fields' numbers:
    // for any field text of at most five characters both give the same slot, or both fail.
    const std::u16string alphabet = u"0159.e-+ ";
    std::u16string field;
    int compared = 0;
    std::function<void()> all = [&] {
        if (!field.empty()) {
            double number;
            try {
                number = strictnumber(field);
            } catch (const runerror&) {
                number = NAN;
            }
            if (!std::isnan(number)) {
                float single;
                bool fits = true;
                try {
                    single = tosingle(number);
                } catch (const runerror&) {
                    fits = false;
                }
                if (fits) {
                    ++compared;
                    bool viafloat = true, viadouble = true;
                    int32_t a = 0, b = 0;
                    try {
                        a = roundint32(single);
                    } catch (const runerror&) {
                        viafloat = false;
                    }
                    try {
                        b = roundint32(number);
                    } catch (const runerror&) {
                        viadouble = false;
                    }
                    ASSERT_EQ(viafloat, viadouble);
                    ASSERT_EQ(a, b);
                }
            }
        }
        if (field.size() == 5) return;
        for (char16_t c : alphabet) {
            field.push_back(c);
            all();
            field.pop_back();
        }
    };
    all();
    EXPECT_GT(compared, 1000);
}
