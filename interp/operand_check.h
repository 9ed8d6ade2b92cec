// The operand fields of one command line, checked against each layout that can be in force.
#pragma once

#include "interp/keyword.h"
#include "interp/run_error.h"
#include "interp/script_check.h"
#include "interp/text.h"

#include <cstdint>
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
};

// True for the keywords whose lines read operand fields, and so need a "fnumv" first.
bool reads_operands(keyword k);

// What a failure does on a line of keyword `k`: a run-time error, or for the file commands a
// report after which the run goes on.
text failure_words(keyword k, error_kind kind);

// The findings on the operands of a line of keyword `k` (fnumv and fgoto aside) under each of
// `layouts`, at most one table per size; where their widths differ each finding names its own.
std::vector<line_finding> check_operands(text_view line, keyword k,
                                         const std::vector<layout_in_force>& layouts);

} // namespace tovl
