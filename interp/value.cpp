// The operations on values: text form, strict conversions, dynamic arithmetic, equality.
#include "interp/value.h"

#include "interp/numbers.h"
#include "interp/run_error.h"
#include "interp/utf8.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

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
    if (other.kind_ != value_kind::text) {
        release_text();
        kind_ = other.kind_;
        number_ = other.number_;
        return;
    }
    set_text(other.as_text());
    parsed_ = other.parsed_;
    parse_error_ = other.parse_error_;
    whole_ = other.whole_;
    if (parsed_ == parse::in_block) number_.block->number = other.number_.block->number;
}

void value::become_text(text_storage storage) {
    kind_ = value_kind::text;
    parsed_ = parse::unknown;
    if (!storage.wide && storage.size() <= in_place_most) {
        shape_ = static_cast<uint8_t>(storage.size());
        if (storage.block != nullptr) std::memcpy(number_.chars, storage.block->bytes(), shape_);
        storage.release();
        return;
    }
    shape_ = storage.wide ? wide_block : narrow_block;
    number_.block = storage.block;
}

void value::set_text(text_ref t) {
    check_text_length(t.size(), 0);
    if (t.size() <= in_place_most && (t.is_narrow() || fits_narrow(t.wide()))) {
        // Copied out first: `t` may be this value's own characters.
        narrow_char chars[in_place_most];
        t.visit([&](auto form) { std::copy(form.begin(), form.end(), chars); });
        release_text();
        kind_ = value_kind::text;
        parsed_ = parse::unknown;
        shape_ = static_cast<uint8_t>(t.size());
        std::memcpy(number_.chars, chars, shape_);
        return;
    }
    text_storage kept = storage();
    kept.assign(t);
    become_text(kept);
}

value value::from_text(compact_text&& built) {
    check_text_length(built.size(), 0);
    value v;
    v.become_text(built.release_storage());
    return v;
}

value value::from_joined_texts(text_ref first, text_ref second) {
    check_text_length(first.size(), second.size());
    text_storage joined;
    joined.assign(first, second); // holds nothing when it fails
    value v;
    v.become_text(joined);
    return v;
}

void value::append_text(text_ref more) {
    size_t length = as_text().size();
    check_text_length(length, more.size());
    text_storage kept = storage();
    if (kept.block == nullptr) {
        // A text kept in place moves to a block of its own once it outgrows it.
        text_storage joined;
        joined.assign(as_text(), more);
        become_text(joined);
        return;
    }
    kept.append(more);
    become_text(kept);
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
    if (!parsed.ok()) {
        parsed_ = parse::not_number;
        parse_error_ = *parsed.error;
        return;
    }
    // A whole number is kept in the head (but -0, which an integer cannot hold); another in
    // the block, or found again by parsing the few characters of a text kept in place.
    double number = parsed.number;
    if (number > INT32_MIN && number < INT32_MAX &&
        number == static_cast<double>(static_cast<int32_t>(number)) &&
        !(number == 0 && std::signbit(number))) {
        whole_ = static_cast<int32_t>(number);
        parsed_ = parse::whole;
    } else if (shape_ > in_place_most) {
        number_.block->number = number;
        parsed_ = parse::in_block;
    } else {
        parsed_ = parse::parse_again;
    }
}

bool value::text_is_other_number(double& number) const {
    parse_text_once();
    if (parsed_ == parse::not_number) return false;
    number = text_number();
    return true;
}

double value::text_number() const {
    parse_text_once();
    switch (parsed_) {
    case parse::whole: return whole_;
    case parse::in_block: return number_.block->number;
    case parse::parse_again: return parse_strict_number(as_text()).number;
    case parse::unknown:
    case parse::not_number: break;
    }
    throw run_error(parse_error_);
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
