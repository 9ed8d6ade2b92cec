// What the checker finds: one finding, its level, and the order findings are reported in.
#pragma once

#include "interp/text.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace tovl {

enum class check_level { warning, error };

// One finding: its 1-based line and column (the column counted in the line's 16-bit
// characters), its level and a one-line message saying what the line will do and, where that
// can be known, what to write instead; when that is a whole line, also the line itself, for
// editors to offer.
struct diagnostic {
    int line;
    int column;
    check_level level;
    text message;
    std::optional<text> suggested_line = {};
};

// Findings in the order they are reported: by line, then column, each place's in the order
// they were found.
inline void sort_by_place(std::vector<diagnostic>& found) {
    std::stable_sort(found.begin(), found.end(), [](const diagnostic& a, const diagnostic& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
}

} // namespace tovl
