// The script checker: a script's likely mistakes, found without running it (tovl-console --check).
#pragma once

#include "interp/text.h"

#include <vector>

namespace tovl {

enum class check_level { warning, error };

// One finding: its 1-based line and column (the column counted in the line's 16-bit
// characters), its level and a one-line message saying what the line will do and, where that
// can be known, what to write instead.
struct diagnostic {
    int line;
    int column;
    check_level level;
    text message;
};

// Every finding in the script, sorted by line, then column. Errors are lines that fail at run
// time or do something else than they seem to (a command that does nothing, a field read from
// the wrong columns); warnings are lines that work but are easily misread.
std::vector<diagnostic> check_script(text_view script);

} // namespace tovl
