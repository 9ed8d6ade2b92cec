// The operations on values: text form, strict conversions, dynamic arithmetic, equality.
#include "interp/value.h"

#include "interp/numbers.h"
#include "interp/run_error.h"
#include "interp/utf8.h"

#include <bit>
#include <cmath>

namespace tovl {

namespace {

// A value taking part in arithmetic: its kind after the operand rule and its exact number.
struct operand {
    value_kind kind;
    double number;
};

operand arithmetic_operand(const value& v) {
    switch (v.kind()) {
    case value_kind::empty: return {value_kind::int16, 0};
    case value_kind::text: return {value_kind::float64, v.text_number()};
    case value_kind::int16: return {value_kind::int16, static_cast<double>(v.as_int16())};
    case value_kind::float32: return {value_kind::float32, v.as_single()};
    case value_kind::float64: return {value_kind::float64, v.as_double()};
    }
    return {value_kind::int16, 0};
}

value_kind more_precise(value_kind a, value_kind b) {
    return static_cast<int>(a) > static_cast<int>(b) ? a : b;
}

enum class arith { add, sub, mul };

template <typename number> number apply(arith op, number a, number b) {
    switch (op) {
    case arith::add: return a + b;
    case arith::sub: return a - b;
    case arith::mul: return a * b;
    }
    return a;
}

value double_or_overflow(double d) {
    if (std::isinf(d) || std::isnan(d)) throw run_error(error_kind::overflow);
    return value::from_double(d);
}

// A Float32 result that leaves the 32-bit range is computed again in 64 bits.
template <typename computation> value single_or_wider(computation compute) {
    float f = compute(float{});
    if (!std::isinf(f)) return value::from_single(f);
    return double_or_overflow(compute(double{}));
}

value numeric(arith op, const value& left, const value& right) {
    operand a = arithmetic_operand(left);
    operand b = arithmetic_operand(right);
    switch (more_precise(a.kind, b.kind)) {
    case value_kind::int16: {
        int32_t r =
            apply<int32_t>(op, static_cast<int32_t>(a.number), static_cast<int32_t>(b.number));
        if (r < -32768 || r > 32767) throw run_error(error_kind::overflow);
        return value::from_int16(static_cast<int16_t>(r));
    }
    case value_kind::float32:
        return single_or_wider([&](auto zero) {
            using number = decltype(zero);
            return apply<number>(op, static_cast<number>(a.number), static_cast<number>(b.number));
        });
    case value_kind::empty:
    case value_kind::text:
    case value_kind::float64: break;
    }
    return double_or_overflow(apply<double>(op, a.number, b.number));
}

} // namespace

static_assert(sizeof(value) == 16, "a value is its head and its number or text block");

void value::copy_from(const value& other) {
    if (other.kind_ == value_kind::text) {
        set_text(other.as_text());
        parsed_ = other.parsed_;
        parse_error_ = other.parse_error_;
        if (parsed_ == parse::number) number_.block->number = other.number_.block->number;
        return;
    }
    release_text();
    kind_ = other.kind_;
    number_ = other.number_;
}

void value::set_text(text_ref t) {
    check_text_length(t.size(), 0);
    become_text();
    storage().assign(t);
}

value value::from_joined_texts(text_ref first, text_ref second) {
    check_text_length(first.size(), second.size());
    value v;
    v.become_text();
    v.storage().assign(first, second);
    return v;
}

void value::become_text() {
    if (kind_ != value_kind::text) {
        kind_ = value_kind::text;
        number_.block = nullptr;
        length_ = 0;
        wide_ = false;
    }
    parsed_ = parse::unknown;
}

void value::append_text(text_ref more) {
    check_text_length(length_, more.size());
    storage().append(more);
    parsed_ = parse::unknown;
}

void append_value_text(text& to, const value& v) {
    switch (v.kind()) {
    case value_kind::empty: return;
    case value_kind::text: append_chars(to, v.as_text()); return;
    case value_kind::int16: append_ascii(to, std::to_string(v.as_int16())); return;
    case value_kind::float32: append_number_text(to, v.as_single(), single_digits); return;
    case value_kind::float64: append_number_text(to, v.as_double(), double_digits); return;
    }
}

void value::parse_text_once() const {
    if (parsed_ != parse::unknown) return;
    parsed_number parsed = parse_strict_number(as_text());
    parsed_ = parsed.ok() ? parse::number : parse::not_number;
    // Only characters can make a number, and characters are held in a block.
    if (parsed.ok()) number_.block->number = parsed.number;
    if (parsed.error) parse_error_ = *parsed.error;
}

bool value::parsed_as_number() const {
    parse_text_once();
    return parsed_ == parse::number;
}

double value::text_number() const {
    parse_text_once();
    if (parsed_ == parse::not_number) throw run_error(parse_error_);
    return number_.block->number;
}

text_ref value_text_view(const value& v, text& scratch) {
    if (v.kind() == value_kind::text) return v.as_text();
    scratch.clear();
    append_value_text(scratch, v);
    return scratch;
}

// What quick_lead_number leaves: the number is read from the text form.
double lead_number_of_text_form(const value& v) {
    if (v.kind() == value_kind::text) return parse_lead_number(v.as_text()).or_raise();
    return parse_lead_number(value_text(v)).or_raise();
}

bool same_text_form_made(const value& a, const value& b) {
    text scratch_a, scratch_b;
    return value_text_view(a, scratch_a) == value_text_view(b, scratch_b);
}

text value_text(const value& v) {
    if (v.kind() == value_kind::text) return widened(v.as_text());
    text out;
    append_value_text(out, v);
    return out;
}

double value_double(const value& v) {
    switch (v.kind()) {
    case value_kind::empty: return 0;
    case value_kind::text: return v.text_number();
    case value_kind::int16: return v.as_int16();
    case value_kind::float32: return v.as_single();
    case value_kind::float64: return v.as_double();
    }
    return 0;
}

value value_add(const value& left, const value& right) {
    bool left_empty = left.kind() == value_kind::empty;
    bool right_empty = right.kind() == value_kind::empty;
    if (left.kind() == value_kind::text && right.kind() == value_kind::text) {
        check_text_length(left.as_text().size(), right.as_text().size());
        return value::from_joined_texts(left.as_text(), right.as_text());
    }
    if (left_empty && right_empty) return value::from_int16(0);
    if (left_empty) return right;
    if (right_empty) return left;
    return numeric(arith::add, left, right);
}

value value_sub(const value& left, const value& right) {
    return numeric(arith::sub, left, right);
}

value value_mul(const value& left, const value& right) {
    return numeric(arith::mul, left, right);
}

value value_div(const value& left, const value& right) {
    operand a = arithmetic_operand(left);
    operand b = arithmetic_operand(right);
    if (b.number == 0) {
        throw run_error(a.number == 0 ? error_kind::overflow : error_kind::division_by_zero);
    }
    if (a.kind != value_kind::float64 && b.kind != value_kind::float64) {
        return single_or_wider([&](auto zero) {
            using number = decltype(zero);
            return static_cast<number>(a.number) / static_cast<number>(b.number);
        });
    }
    return double_or_overflow(a.number / b.number);
}

value value_floor(const value& v) {
    switch (v.kind()) {
    case value_kind::empty: return value::from_int16(0);
    case value_kind::text: return value::from_double(std::floor(v.text_number()));
    case value_kind::int16: return v;
    case value_kind::float32: return value::from_single(std::floor(v.as_single()));
    case value_kind::float64: return value::from_double(std::floor(v.as_double()));
    }
    return v;
}

bool value_equals_number(const value& v, double number) {
    return value_double(v) == number;
}

bool identical(const value& a, const value& b) {
    if (a.kind() != b.kind()) return false;
    switch (a.kind()) {
    case value_kind::empty: return true;
    case value_kind::text: return a.as_text() == b.as_text();
    case value_kind::int16: return a.as_int16() == b.as_int16();
    case value_kind::float32:
        return std::bit_cast<uint32_t>(a.as_single()) == std::bit_cast<uint32_t>(b.as_single());
    case value_kind::float64:
        return std::bit_cast<uint64_t>(a.as_double()) == std::bit_cast<uint64_t>(b.as_double());
    }
    return false;
}

text described_value(const value& v) {
    constexpr size_t shown = 40;
    if (v.kind() == value_kind::empty) return u"empty";
    if (v.kind() != value_kind::text) return value_text(v);
    text_ref chars = v.as_text();
    text t = widened(chars.substr(0, shown + 1));
    // An emoji across the cut is shown whole.
    size_t cut = is_surrogate_pair_at(t, shown - 1) ? shown + 1 : shown;
    text out = u"\"" + text(text_view(t).substr(0, cut)) + u"\"";
    if (chars.size() > cut) out += u"...";
    return out;
}

void raise_text_too_long(size_t length) {
    throw run_error(error_kind::out_of_memory)
        .because(u"a text of " + value_text(value::from_double(static_cast<double>(length))) +
                 u" characters: texts hold at most " +
                 value_text(value::from_double(static_cast<double>(max_text_length))));
}

} // namespace tovl
