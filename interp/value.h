// value: the untyped content of one variable slot, and every operation on values.
#pragma once

#include "interp/numbers.h"
#include "interp/run_error.h"
#include "interp/text.h"
#include "interp/text_block.h"
#include "interp/text_ref.h"

#include <cmath>
#include <cstdint>
#include <utility>

namespace tovl {

// The most characters a text may hold (128 Mi, up to 256 MiB of memory): a text joined, loaded or
// answered beyond it is the out-of-memory run-time error, so that a script that grows a text
// without end stops with that error long before a desktop's memory runs out.
constexpr size_t max_text_length = size_t(1) << 27;

// Raises the out-of-memory error, saying why, when a text of `length` characters would grow by
// `more` past max_text_length. A value checks every text it takes (from_text, set_text,
// append_text), so no slot holds a longer one, whatever made it.
[[noreturn]] void raise_text_too_long(size_t length);
inline void check_text_length(size_t length, size_t more) {
    if (length > max_text_length || more > max_text_length - length) [[unlikely]]
        raise_text_too_long(length + more);
}

// One byte, with the parse state beside it: a value is 16 bytes, a head and a number, a
// text's block or a short text's characters.
enum class value_kind : uint8_t { empty, text, int16, float32, float64 };

// A tagged value with copy semantics. Numbers live in a union with a Text's characters: up to
// eight that fit in one byte each are kept in the value itself, longer texts in a block
// (interp/text_block.h), one byte a character while they all fit. A Text remembers what the
// strict number parse made of it, a whole number in its head, since scripts compute with the
// same numeric texts over and over.
class value {
  public:
    value() = default;
    value(const value& other) { copy_from(other); }
    value(value&& other) noexcept { take_from(other); }
    value& operator=(const value& other) {
        if (this != &other) copy_from(other);
        return *this;
    }
    value& operator=(value&& other) noexcept {
        if (this != &other) {
            release_text();
            take_from(other);
        }
        return *this;
    }
    ~value() { release_text(); }

    static value from_text(text_ref t) {
        value v;
        v.set_text(t);
        return v;
    }
    // The Text built in `built`, whose block it takes over.
    static value from_text(compact_text&& built);
    // The Text of `first` followed by `second`.
    static value from_joined_texts(text_ref first, text_ref second);
    static value from_int16(int16_t i) {
        value v;
        v.kind_ = value_kind::int16;
        v.number_.i = i;
        return v;
    }
    static value from_single(float f) {
        value v;
        v.kind_ = value_kind::float32;
        v.number_.f = f;
        return v;
    }
    static value from_double(double d) {
        value v;
        v.kind_ = value_kind::float64;
        v.number_.d = d;
        return v;
    }

    value_kind kind() const { return kind_; }
    // Makes this value the Float32 f.
    void set_single(float f) {
        if (kind_ == value_kind::text) [[unlikely]]
            release_text();
        kind_ = value_kind::float32;
        number_.f = f;
    }
    // Makes this value the Text t, reusing the block of a text it held before.
    void set_text(text_ref t);
    // Appends to a Text's characters in place; beyond max_text_length it is out of memory.
    void append_text(text_ref more);
    // The strict number parse of a Text's characters (type mismatch or overflow when they are
    // not a number), made once.
    double text_number() const;
    // True when the Text's characters are a number as a whole, which is then `number`.
    [[gnu::always_inline]] bool text_is_number(double& number) const {
        if (parsed_ == parse::whole) [[likely]] {
            number = whole_;
            return true;
        }
        return text_is_other_number(number);
    }
    // True when the Text was parsed to a whole number of 32 bits, which is then `number`.
    [[gnu::always_inline]] bool text_is_whole(int32_t& number) const {
        number = whole_;
        return parsed_ == parse::whole;
    }
    // A Text's characters, in the form they are kept in.
    text_ref as_text() const {
        if (shape_ <= in_place_most) return narrow_view(number_.chars, shape_);
        return block_chars(number_.block, shape_ == wide_block);
    }
    int16_t as_int16() const { return number_.i; }
    float as_single() const { return number_.f; }
    double as_double() const { return number_.d; }

  private:
    // What the strict parse made of a Text: not parsed yet; a whole number in whole_; another
    // number in the block; another number in a text kept in place, parsed again when asked; no
    // number.
    enum class parse : uint8_t { unknown, whole, in_block, parse_again, not_number };
    // A Text's shape: up to in_place_most narrow characters in number_.chars, their count; or
    // a block of narrow or wide characters.
    static constexpr uint8_t in_place_most = sizeof(double);
    static constexpr uint8_t narrow_block = in_place_most + 1;
    static constexpr uint8_t wide_block = in_place_most + 2;

    void parse_text_once() const;
    [[gnu::cold]] bool text_is_other_number(double& number) const;
    // The block of a Text kept in one, or none.
    text_storage storage() const {
        if (kind_ != value_kind::text || shape_ <= in_place_most) return {};
        return {number_.block, shape_ == wide_block};
    }
    // Makes this value the Text held in `storage`, kept in place when it is short and narrow.
    void become_text(text_storage storage);
    void release_text() noexcept {
        storage().release();
        kind_ = value_kind::empty;
    }
    void copy_from(const value& other);
    void take_from(value& other) noexcept {
        kind_ = other.kind_;
        parsed_ = other.parsed_;
        parse_error_ = other.parse_error_;
        shape_ = other.shape_;
        whole_ = other.whole_;
        number_ = other.number_;
        other.kind_ = value_kind::empty;
    }

    value_kind kind_ = value_kind::empty;
    mutable parse parsed_ = parse::unknown;
    mutable error_kind parse_error_ = error_kind::type_mismatch;
    uint8_t shape_ = 0;
    mutable int32_t whole_ = 0; // a Text's number, when parsed_ is whole
    union {
        int16_t i;
        float f;
        double d;
        text_block* block;
        narrow_char chars[in_place_most];
    } number_{};
};

// True when the two values are of one kind and hold the same characters, or the same bits: the
// same state, as far as any later operation can tell.
bool identical(const value& a, const value& b);

// Text form: Empty is empty, Text itself, Int16 its digits, Float32 and Float64 their number
// text with 7 and 15 significant digits.
text value_text(const value& v);
// The value as an error report shows it: a text in double quotes (its start, when long), a
// number as printed, "empty".
text described_value(const value& v);
void append_value_text(text& to, const value& v);
// The text form without a copy: a Text's own characters, or the form written into `scratch`.
text_ref value_text_view(const value& v, text& scratch);

// Strict conversion: Empty counts as 0, a Text is parsed strictly.
double value_double(const value& v);

// What value_single gives, when it gives a number rather than an error: a Text whose
// characters are no number, or a number beyond the 32-bit float range, is left out (false).
[[gnu::always_inline]] inline bool quick_single(const value& v, float& out) {
    double d = 0;
    if (v.kind() == value_kind::float32) [[likely]] { // what "fmath +" stores
        out = v.as_single();
        return true;
    }
    if (v.kind() == value_kind::text) { // a number read from the script or typed in
        int32_t whole = 0;
        if (v.text_is_whole(whole)) [[likely]] {
            out = static_cast<float>(whole); // rounded once, as through a double
            return true;
        }
        if (!v.text_is_number(d)) return false;
    } else {
        switch (v.kind()) {
        case value_kind::int16: out = v.as_int16(); return true;
        case value_kind::empty: out = 0; return true;
        case value_kind::float64: d = v.as_double(); break;
        case value_kind::float32: out = v.as_single(); return true;
        case value_kind::text: return false; // taken above
        }
    }
    out = static_cast<float>(d);
    return std::isfinite(out);
}

// What value_lead_number gives where no text has to be read or printed for it: a number that
// prints as its plain digits, or a Text that is a number as a whole (false for any other).
[[gnu::always_inline]] inline bool quick_lead_number(const value& v, double& out) {
    if (v.kind() == value_kind::text) return v.text_is_number(out);
    switch (v.kind()) {
    case value_kind::empty: out = 0; return true;
    case value_kind::int16: out = v.as_int16(); return true;
    case value_kind::float32: out = v.as_single(); return is_whole(out, exact_limit(single_digits));
    case value_kind::float64: out = v.as_double(); return is_whole(out, exact_limit(double_digits));
    case value_kind::text: return v.text_is_number(out);
    }
    return false;
}

// The forgiving number of the text form, without making the text where the number is known.
[[gnu::cold]] double lead_number_of_text_form(const value& v);
[[gnu::always_inline]] inline double value_lead_number(const value& v) {
    double number = 0;
    if (quick_lead_number(v, number)) return number;
    return lead_number_of_text_form(v);
}

// The strict conversion to a 32-bit float: overflow beyond its range.
[[gnu::always_inline]] inline float value_single(const value& v) {
    float f = 0;
    if (quick_single(v, f)) return f;
    return to_single(value_double(v)); // the error it raises
}

// True when the value converts strictly to a number: not a Text whose characters are none.
inline bool is_number(const value& v) {
    double unused = 0;
    return v.kind() != value_kind::text || v.text_is_number(unused);
}

// Whether two values have the same text form, compared character by character.
[[gnu::cold]] bool same_text_form_made(const value& a, const value& b);
[[gnu::always_inline]] inline bool same_text_form(const value& a, const value& b) {
    if (a.kind() == value_kind::text && b.kind() == value_kind::text)
        return a.as_text() == b.as_text();
    return same_text_form_made(a, b);
}

// Dynamic arithmetic. value_add joins two texts and passes a value through when the other
// operand is Empty; otherwise, as for the others, Empty counts as Int16 0, a Text as a Float64
// parsed strictly, and the result has the more precise kind of the operands.
value value_add(const value& left, const value& right);
value value_sub(const value& left, const value& right);
value value_mul(const value& left, const value& right);
value value_div(const value& left, const value& right);
value value_floor(const value& v);

// Equality with a number, parsing a Text strictly.
bool value_equals_number(const value& v, double number);

} // namespace tovl
