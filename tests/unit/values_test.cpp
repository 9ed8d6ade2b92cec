// Numbers and values: the parses, rounding, number text, and the shortcuts against plain paths.
#include "interp/numbers.h"
#include "interp/utf8.h"
#include "interp/value.h"
#include "support.h"

#include <cmath>
#include <functional>

using namespace tovl;

namespace {

text number_text(double v, int digits) {
    text out;
    append_number_text(out, v, digits);
    return out;
}

} // namespace

// Scripts cover the everyday forms; these are the edges of the ranges.
TEST(numbers, parses_rounding_and_text_at_the_edges_of_their_ranges) {
    EXPECT_EQ(parse_strict_number(u"1e309").error, error_kind::overflow);
    EXPECT_EQ(strict_number(u"1e-400"), 0);
    EXPECT_EQ(parse_lead_number(u" 1 2\t3e+x").number, 123);
    EXPECT_EQ(parse_lead_number(u"9e999").error, error_kind::overflow);
    EXPECT_EQ(round_to_int16(-2.5), -2);
    EXPECT_EQ(error_of([] { round_to_int16(32767.5); }), error_kind::overflow);
    EXPECT_EQ(round_to_int16(32767.4), 32767); // the last value in range on either side
    EXPECT_EQ(round_to_int16(-32768.4), -32768);
    EXPECT_EQ(round_to_int32(-2147483648.4), INT32_MIN);
    EXPECT_EQ(error_of([] { round_to_int32(2147483647.5); }), error_kind::overflow);
    EXPECT_EQ(error_of([] { round_to_int32(-2147483649.0); }), error_kind::overflow);
    EXPECT_EQ(error_of([] { to_single(3.5e38); }), error_kind::overflow);
    EXPECT_EQ(number_text(9999999.0, single_digits), u"9999999");
    EXPECT_EQ(number_text(10000000.0, single_digits), u"1E+07");
    EXPECT_EQ(number_text(99999995.0, single_digits), u"1E+08");
    EXPECT_EQ(number_text(-1e15, double_digits), u"-1E+15");
    EXPECT_EQ(number_text(-1.5e-7, double_digits), u"-1.5E-07");
    EXPECT_EQ(number_text(-0.0, double_digits), u"0");
    EXPECT_EQ(error_of([] { value_mul(value::from_int16(200), value::from_int16(200)); }),
              error_kind::overflow);
    EXPECT_EQ(error_of([] { value_mul(value::from_double(1e200), value::from_double(1e200)); }),
              error_kind::overflow);
    EXPECT_EQ(value_div(value::from_single(1), value::from_single(3)).kind(), value_kind::float32);
    EXPECT_EQ(error_of([] { value_div(value(), value()); }), error_kind::overflow);
}

TEST(shortcuts, give_what_the_plain_path_through_the_text_gives) {
    std::vector<value> values;
    for (double d :
         {0.0, -0.0, 1.0, -1.0, 0.5, 2.5, 9999999.0, 10000000.0, 16777216.0, 123456789012345.0,
          1e15, -1e15 + 1, 1e20, 1.0 / 3.0, 0.1, 1e-7, 1e39, -3.5e38}) {
        values.push_back(value::from_double(d));
        // A Float32 is always within its range: every way of making one checks it.
        if (std::isfinite(static_cast<float>(d)))
            values.push_back(value::from_single(static_cast<float>(d)));
    }
    for (int16_t i : {0, 1, -1, 32767, -32768})
        values.push_back(value::from_int16(i));
    for (const char16_t* t :
         {u"12",       u" 12 ",      u"12abc",      u"1e3",    u"abc",        u"",
          u"-4x",      u"1 2",       u"3.7.2",      u"+5",     u"5.",         u".5",
          u"1e400x",   u"1e39",      u"3.4e38",     u"-0",     u"2147483647", u"-2147483648",
          u"1234.567", u"1234567.5", u"12345678.5", u"\u0661", u"1\u00A0"})
        values.push_back(value::from_text(t));
    for (const value& v : values) {
        parsed_number plain = parse_lead_number(value_text(v));
        std::string shown = to_utf8(value_text(v));
        if (plain.ok())
            EXPECT_EQ(value_lead_number(v), plain.number) << shown;
        else
            EXPECT_EQ(error_of([&] { value_lead_number(v); }), *plain.error) << shown;
        text scratch;
        EXPECT_EQ(value_text_view(v, scratch), value_text(v)) << shown;
        // The 32-bit float of a value, as "fmath +" reads it: the strict number, narrowed.
        std::optional<error_kind> plain_error;
        float narrowed = 0;
        try {
            narrowed = to_single(value_double(v));
        } catch (const run_error& error) {
            plain_error = error.kind();
        }
        if (plain_error)
            EXPECT_EQ(error_of([&] { value_single(v); }), *plain_error) << shown;
        else
            EXPECT_EQ(value_single(v), narrowed) << shown;
    }
    // A text's remembered number follows every change of the text.
    value v = value::from_text(u"1");
    EXPECT_EQ(value_double(v), 1);
    v.append_text(u"2");
    EXPECT_EQ(value_double(v), 12);
    v.append_text(u"x");
    EXPECT_EQ(error_of([&] { value_double(v); }), error_kind::type_mismatch);
    v.set_single(2.5f);
    EXPECT_EQ(value_text(v), u"2.5");
}

TEST(shortcuts, a_field_rounds_the_same_through_a_float_as_through_its_own_number) {
    // "fmath" checks its fields as 32-bit floats but resolves slots from the fields' numbers:
    // for every field text of up to five characters both give the same slot, or both fail.
    auto rounded = [](double d) {
        return std::isfinite(d) && std::abs(d) < 2147483647.5 ? round_to_int32(d) : -1;
    };
    int compared = 0;
    std::function<void(text)> every_field = [&](text field) {
        parsed_number number = parse_strict_number(field);
        float single = static_cast<float>(number.number);
        if (!field.empty() && number.ok() && std::isfinite(single)) {
            ++compared;
            ASSERT_EQ(rounded(single), rounded(number.number)) << to_utf8(field);
        }
        for (char16_t c : text_view(u"0159.e-+ ")) {
            if (field.size() < 5) every_field(field + c);
        }
    };
    every_field(u"");
    EXPECT_GT(compared, 1000);
}

// How a text is kept (in the value, in a block, one or two bytes a character) never shows: each
// step below changes a value the ways scripts do, and its characters, length and number are
// those of the same steps on a plain wide text.
TEST(texts, read_the_same_in_place_in_a_block_narrow_or_wide) {
    value v;
    text plain;
    auto step = [&](const char* what, auto change, auto change_plain) {
        change();
        change_plain();
        ASSERT_EQ(v.as_text(), text_ref(plain)) << what;
        EXPECT_EQ(value_text(v), plain) << what;
        // A copy is its own: changing the original leaves it as it was.
        value copy = v;
        v.append_text(u"!");
        EXPECT_EQ(copy.as_text(), text_ref(plain)) << what;
        v = copy;
    };
    auto set = [&](text_view t) { return [&v, t] { v.set_text(t); }; };
    auto plain_set = [&](text_view t) { return [&plain, t] { plain = t; }; };
    auto add = [&](text_view t) { return [&v, t] { v.append_text(t); }; };
    auto plain_add = [&](text_view t) { return [&plain, t] { plain += t; }; };
    step("in place", set(u"1234567"), plain_set(u"1234567"));
    step("eight in place", add(u"8"), plain_add(u"8"));
    step("to a block", add(u"9\u00E9"), plain_add(u"9\u00E9"));
    step("widened", add(u"\u20AC"), plain_add(u"\u20AC"));
    step("wide, grown", add(text(100, u'y')), plain_add(text(100, u'y')));
    step("narrow again", set(u"caf\u00E9 au lait"), plain_set(u"caf\u00E9 au lait"));
    step("back in place", set(u"\u00E9"), plain_set(u"\u00E9"));
    step("short but wide", set(u"\u20AC"), plain_set(u"\u20AC"));
    for (int doubling = 0; doubling < 3; ++doubling) // its own characters, joined onto it
        step(
            "onto itself", [&] { v.append_text(v.as_text()); }, [&] { plain += plain; });
    step(
        "set from itself", [&] { v.set_text(v.as_text().substr(1, 5)); },
        [&] { plain = plain.substr(1, 5); });
    EXPECT_EQ(value_add(value::from_text(u"ab"), value::from_text(u"\u20AC")).as_text(),
              text_ref(u"ab\u20AC"));
    // Numbers parsed from a text are dropped with it, wherever they were kept.
    for (text_view number : {u"7", u"7.5", u"123456789.5"}) {
        v.set_text(number);
        EXPECT_EQ(value_double(v), strict_number(number));
        value copy = v;
        EXPECT_EQ(value_double(copy), strict_number(number));
        v.set_text(u"x");
        EXPECT_FALSE(is_number(v));
    }
}
