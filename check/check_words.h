// What the checker's files share: words for numbers, quoted texts and what a failure does,
// trimming, and which operands are read to the end of the line.
#pragma once

#include "interp/keyword.h"
#include "interp/run_error.h"
#include "interp/text.h"

namespace tovl {

text number_text(long long n);

text quoted(text_view s);

// `s` without the `blanks` at either end.
text_view trimmed(text_view s, text_view blanks = u" \t");

// What a failure does on a line of keyword `k`: a run-time error, or for the commands that
// report their failures a report after which the run goes on.
text failure_words(keyword k, error_kind kind);

// True for a keyword whose one operand is a number read from column 6 to the end of the line
// (fnumv's N, fgoto's L) rather than fields of the layout's width.
constexpr bool reads_rest_of_line(const keyword_row& row) {
    return row.operands == "N" || row.operands == "L";
}

} // namespace tovl
