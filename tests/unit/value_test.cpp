// Values: kinds of results, the dynamic arithmetic and equality with literals.
#include "interp/numbers.h"
#include "interp/runerror.h"
#include "interp/value.h"

#include "failurekind.h"

#include <gtest/gtest.h>

using namespace tovl;

namespace {

Value txt(const char16_t* t) {
    return Value::fromtext(t);
}
Value single(float f) {
    return Value::fromsingle(f);
}
const Value empty;

void expectvalue(const Value& v, ValueKind kind, const char16_t* shown) {
    EXPECT_EQ(v.kind(), kind);
    EXPECT_EQ(valuetext(v), shown);
}

} // namespace

TEST(valueadd, joinstextspassesthroughemptyandaddsnumbers) {
    expectvalue(valueadd(txt(u"12"), txt(u"3")), ValueKind::Text, u"123");
    expectvalue(valueadd(txt(u"12"), single(3)), ValueKind::Float64, u"15");
    expectvalue(valueadd(empty, txt(u"ab")), ValueKind::Text, u"ab");
    expectvalue(valueadd(single(2), empty), ValueKind::Float32, u"2");
    expectvalue(valueadd(empty, empty), ValueKind::Int16, u"0");
    expectvalue(valueadd(Value::fromint16(0), Value::fromint16(1)), ValueKind::Int16, u"1");
    expectvalue(valueadd(Value::fromint16(1), single(0.5f)), ValueKind::Float32, u"1.5");
    EXPECT_EQ(failurekind([] { valueadd(txt(u"ab"), single(1)); }), errorkind::typemismatch);
}

TEST(valueadd, afloat32sumbeyonditsrangewidensto64bits) {
    Value big = valueadd(single(3e38f), single(3e38f));
    expectvalue(big, ValueKind::Float64, u"6.00000001099551E+38");
    Value huge = Value::fromdouble(1e308);
    EXPECT_EQ(failurekind([&] { valueadd(huge, huge); }), errorkind::overflow);
}

TEST(valuesubmul, arenumericandneverjointexts) {
    expectvalue(valuesub(txt(u"5"), txt(u"2")), ValueKind::Float64, u"3");
    expectvalue(valuesub(empty, empty), ValueKind::Int16, u"0");
    expectvalue(valuemul(single(1.5f), Value::fromint16(0)), ValueKind::Float32, u"0");
    expectvalue(valuemul(txt(u"3e38"), txt(u"3e38")), ValueKind::Float64, u"9E+76");
    EXPECT_EQ(failurekind([] { valuesub(empty, txt(u"x")); }), errorkind::typemismatch);
    EXPECT_EQ(failurekind([] { valuemul(txt(u""), single(1)); }), errorkind::typemismatch);
}

TEST(valuediv, choosesfloat32orfloat64andseparateszerocases) {
    expectvalue(valuediv(txt(u"1"), txt(u"3")), ValueKind::Float64, u"0.333333333333333");
    expectvalue(valuediv(single(1), single(3)), ValueKind::Float32, u"0.3333333");
    expectvalue(valuediv(Value::fromint16(0), single(4)), ValueKind::Float32, u"0");
    expectvalue(valuediv(single(3e38f), single(1e-38f)), ValueKind::Float64,
                u"3.00000020036085E+76");
    EXPECT_EQ(failurekind([] { valuediv(txt(u"1"), empty); }), errorkind::divisionbyzero);
    EXPECT_EQ(failurekind([] { valuediv(empty, empty); }), errorkind::overflow);
    EXPECT_EQ(failurekind([] { valuediv(txt(u"0"), single(0)); }), errorkind::overflow);
}

TEST(valuefloor, keepsthekindandroundsdown) {
    expectvalue(valuefloor(Value::fromdouble(-2.5)), ValueKind::Float64, u"-3");
    expectvalue(valuefloor(single(2.9f)), ValueKind::Float32, u"2");
    expectvalue(valuefloor(txt(u"7.9")), ValueKind::Float64, u"7");
    expectvalue(valuefloor(empty), ValueKind::Int16, u"0");
}

TEST(conversions, arestrictandroundhalvestoeven) {
    EXPECT_EQ(valueint32(txt(u" 7 ")), 7);
    EXPECT_EQ(valueint32(txt(u"2.5")), 2);
    EXPECT_EQ(valueint32(txt(u"3.5")), 4);
    EXPECT_EQ(valueint16(empty), 0);
    EXPECT_EQ(valuesingle(Value::fromdouble(16777217.0)), 16777216.0f);
    EXPECT_EQ(failurekind([] { valueint32(txt(u"")); }), errorkind::typemismatch);
    EXPECT_EQ(failurekind([] { valueint16(txt(u"40000")); }), errorkind::overflow);
    EXPECT_EQ(failurekind([] { valuesingle(txt(u"1e39")); }), errorkind::overflow);
}

TEST(valueequal, comparestextexactlyandnumbersbyvalue) {
    EXPECT_TRUE(valueequal(txt(u"1"), 1.0));
    EXPECT_TRUE(valueequal(single(1), 1.0));
    EXPECT_TRUE(valueequal(empty, 0.0));
    EXPECT_FALSE(valueequal(txt(u" 2"), 1.0));
    EXPECT_EQ(failurekind([] { valueequal(txt(u"yes"), 1.0); }), errorkind::typemismatch);
    EXPECT_EQ(failurekind([] { valueequal(txt(u""), 0.0); }), errorkind::typemismatch);
    EXPECT_TRUE(valueequal(txt(u"+"), u"+"));
    EXPECT_FALSE(valueequal(txt(u"+"), u"-"));
    EXPECT_FALSE(valueequal(txt(u"A"), u"a"));
    EXPECT_TRUE(valueequal(single(5), u"5"));
}

TEST(valueconcat, joinsthetextformsofanykinds) {
    EXPECT_EQ(valueconcat(txt(u"n="), single(0.5f)), u"n=0.5");
    EXPECT_EQ(valueconcat(empty, Value::fromint16(-3)), u"-3");
    EXPECT_EQ(valueconcat(Value::fromdouble(1e20), empty), u"1E+20");
}

TEST(fastpaths, leadnumberofavalueisleadnumberofitstext) {
    // The shortcut must give exactly what reading the printed text gives.
    std::vector<Value> values;
    for (double d : {0.0, -0.0, 1.0, -1.0, 0.5, 2.5, 9999999.0, 10000000.0, 16777216.0,
                     123456789012345.0, 1e15, -1e15 + 1, 1e20, 1.0 / 3.0, 0.1, 1e-7}) {
        values.push_back(Value::fromdouble(d));
        values.push_back(Value::fromsingle(static_cast<float>(d)));
    }
    for (int16_t i : {0, 1, -1, 32767, -32768})
        values.push_back(Value::fromint16(i));
    for (const char16_t* t : {u"12", u" 12 ", u"12abc", u"1e3", u"abc", u"", u"-4x", u"1 2",
                              u"3.7.2", u"+5", u"5.", u".5", u"1e400x"}) {
        values.push_back(Value::fromtext(t));
    }
    for (const Value& v : values) {
        double slow = 0, fast = 0;
        bool slowfailed = false, fastfailed = false;
        try {
            slow = leadnumber(valuetext(v));
        } catch (const runerror&) {
            slowfailed = true;
        }
        try {
            fast = valueleadnumber(v);
        } catch (const runerror&) {
            fastfailed = true;
        }
        EXPECT_EQ(fastfailed, slowfailed) << std::string(valuetext(v).begin(), valuetext(v).end());
        EXPECT_EQ(fast, slow) << std::string(valuetext(v).begin(), valuetext(v).end());
    }
}

TEST(fastpaths, atextforgetsitsnumberwhenitchanges) {
    Value v = Value::fromtext(u"1");
    EXPECT_EQ(valuedouble(v), 1);
    v.appendtext(u"2");
    EXPECT_EQ(valuedouble(v), 12);
    v.appendtext(u"x");
    EXPECT_EQ(failurekind([&] { valuedouble(v); }), errorkind::typemismatch);
    EXPECT_EQ(valueleadnumber(v), 12);
    Value copy = v;
    EXPECT_EQ(failurekind([&] { valuedouble(copy); }), errorkind::typemismatch);
    v.setsingle(2.5f);
    EXPECT_EQ(valuetext(v), u"2.5");
}
