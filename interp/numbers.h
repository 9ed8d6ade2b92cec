// Numbers and their texts: the strict and the forgiving parse, rounding, and number text.
#pragma once

#include "interp/run_error.h"
#include "interp/text.h"
#include "interp/text_ref.h"

#include <cmath>
#include <cstdint>
#include <optional>

namespace tovl {

// What a parse made of a text: the number, or the error that says why there is none.
struct parsed_number {
    double number = 0;
    std::optional<error_kind> error;

    bool ok() const { return !error; }
    // The number, or the run-time error.
    double or_raise() const {
        if (error) throw run_error(*error);
        return number;
    }
};

// The whole text, blanks around it allowed, must be a decimal number: optional sign, digits
// with an optional full stop and fraction, optional exponent. Anything else is a type mismatch;
// a magnitude beyond the 64-bit range is an overflow.
parsed_number parse_strict_number(text_ref t);

// The part of `t` that the strict parse reads as the number: `t` without the blanks around it.
text_view strict_number_span(text_view t);

inline double strict_number(text_ref t) {
    return parse_strict_number(t).or_raise();
}

// The forgiving parse: blanks, tabs and line feeds are dropped wherever they stand, then the
// longest number at the start is read; no digit at all gives 0. Only a magnitude beyond the
// 64-bit range fails, as an overflow.
parsed_number parse_lead_number(text_ref t);

// Round to the nearest integer, halves to the even neighbour; out of range is an overflow.
int32_t round_to_int32(double v);
int16_t round_to_int16(double v);

// The nearest 32-bit float; a magnitude beyond its range is an overflow.
inline float to_single(double v) {
    float f = static_cast<float>(v);
    if (std::isinf(f) || std::isnan(f)) throw run_error(error_kind::overflow);
    return f;
}

// Shortest text of v to at most `digits` significant digits, in plain form where those digits
// can show the value and as mantissa, "E", sign and two or more exponent digits otherwise.
void append_number_text(text& to, double v, int digits);

constexpr int single_digits = 7;
constexpr int double_digits = 15;

// Whole numbers below this magnitude print as their plain digits with `digits` significant
// digits, and read back exactly.
constexpr double exact_limit(int digits) {
    return digits == single_digits ? 1e7 : 1e15;
}

// True when v is a whole number of magnitude below limit (at most 2^53).
inline bool is_whole(double v, double limit) {
    return v > -limit && v < limit && v == static_cast<double>(static_cast<int64_t>(v));
}

} // namespace tovl
