// The operand layout of command lines: field widths and columns, the operator column, and the
// line that "fgoto" jumps to. The runner, the checker and the trace all measure fields here.
#pragma once

#include "interp/text.h"
#include "interp/text_ref.h"

#include <cstdint>
#include <optional>

namespace tovl {

// Operands stand in fixed-width fields without separators: field k starts at column
// 6 + (k - 1) * w, w being the number of decimal digits of the table's highest variable number.
constexpr int first_field_column = 6;

// The width of every operand field under a table 0..n: the digits of n (1 for n below 10).
constexpr int field_width_for(int16_t n) {
    int width = 1;
    for (int limit = 10; width < 5 && n >= limit; limit *= 10)
        ++width;
    return width;
}

constexpr int field_column(int width, int field) {
    return first_field_column + (field - 1) * width;
}

// The field's text, cut to the field width; empty when the line ends before it.
template <text_chars chars> chars field_text(chars line, int width, int field) {
    return column_slice(line, static_cast<size_t>(field_column(width, field)),
                        static_cast<size_t>(width));
}

// Everything from the field's first column to the end of the line.
template <text_chars chars> chars field_rest(chars line, int width, int field) {
    return column_slice(line, static_cast<size_t>(field_column(width, field)), text_view::npos);
}

// What "fnumv" and "fgoto" read: everything from column 6 on, whatever the width.
template <text_chars chars> chars after_keyword(chars line) {
    return column_slice(line, first_field_column, text_view::npos);
}

// The one character at the start of the field (an operator), or 0 when the line ends before it.
template <text_chars chars> char16_t operator_at(chars line, int width, int field) {
    chars column = column_slice(line, static_cast<size_t>(field_column(width, field)), 1);
    return column.empty() ? u'\0' : column[0];
}

// The line counter "fgoto" sets for the line number written: the number less 2, computed in
// 64-bit floating point, rounded through its printed text (15 significant digits), then to the
// 16-bit counter, halves to the even neighbour. The step after the line adds 1, so the run goes
// on at the line written. Nothing when the counter cannot hold it (the overflow error).
std::optional<int16_t> jump_counter(double line_number);

// The 1-based line a run goes on at after "fgoto" with this counter, or nothing when the counter
// cannot step on (32767: the overflow error).
constexpr std::optional<int32_t> line_after_jump(int16_t counter) {
    if (counter == INT16_MAX) return std::nullopt;
    return static_cast<int32_t>(counter) + 2;
}

} // namespace tovl
