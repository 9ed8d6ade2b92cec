// The operand fields of one command line, checked against each layout that can be in force.
#pragma once

#include "check/diagnostic.h"
#include "interp/keyword.h"
#include "interp/text.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tovl {

// A table that a "fnumv" line makes and that can be in force on a line being checked.
struct layout_in_force {
    int16_t size;      // the variables are 0..size
    int line;          // the 1-based line of the "fnumv"
    text_view written; // that line as written
};

// A finding on the line being checked; its line number is the caller's.
struct line_finding {
    int column;
    check_level level;
    text message;
    std::optional<text> suggested_line = {}; // the line the message says to write instead
};

// The findings on the operand fields of a line of keyword `k` under each of `layouts`, at most
// one table per size; where their widths differ each finding names its own. A line without
// fields, or whose operand runs from column 6 to the end of the line (fnumv, fgoto), has none.
std::vector<line_finding> check_operands(text_view line, keyword k,
                                         const std::vector<layout_in_force>& layouts);

} // namespace tovl
