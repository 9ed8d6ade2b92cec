// Numbers and their texts: the strict and the forgiving parse, rounding, and number text.
#pragma once

#include "interp/text.h"

#include "interp/runerror.h"

#include <cmath>
#include <cstdint>

namespace tovl {

// The whole text, blanks around it allowed, must be a decimal number: optional sign, digits
// with an optional full stop and fraction, optional exponent. Anything else is a type mismatch;
// a magnitude beyond the 64-bit range is an overflow.
double strictnumber(textview t);

// The forgiving parse: blanks, tabs and line feeds are dropped wherever they stand, then the
// longest number at the start is read; no digit at all gives 0.
double leadnumber(textview t);

// Round to the nearest integer, halves to the even neighbour; out of range is an overflow.
int32_t roundint32(double v);
int16_t roundint16(double v);

// The nearest 32-bit float; a magnitude beyond its range is an overflow.
inline float tosingle(double v) {
    float f = static_cast<float>(v);
    if (std::isinf(f) || std::isnan(f)) throw runerror(errorkind::overflow);
    return f;
}

// Shortest text of v to at most `digits` significant digits, in plain form where those digits
// can show the value and as mantissa, "E", sign and two or more exponent digits otherwise.
void appendnumbertext(text& to, double v, int digits);
text numbertext(double v, int digits);

constexpr int singledigits = 7;
constexpr int doubledigits = 15;

// Whole numbers below this magnitude print as their plain digits with `digits` significant
// digits, and read back exactly.
constexpr double exactlimit(int digits) {
    return digits == singledigits ? 1e7 : 1e15;
}

// True when v is a whole number of magnitude below limit (at most 2^53).
inline bool iswhole(double v, double limit) {
    return v > -limit && v < limit && v == static_cast<double>(static_cast<int64_t>(v));
}

} // namespace tovl
