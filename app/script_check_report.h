// tovl-console --check: each script's mistakes, reported the way compilers report theirs.
#pragma once

#include "interp/text_encoding.h"

#include <optional>
#include <string>
#include <vector>

namespace tovl {

// Checks each script, trying the part of it that needs no input, and writes what it finds on
// standard error as "FILE:LINE:COLUMN: error|warning: MESSAGE", the line, and a caret under the
// column. Returns the exit status: 0 when no script has an error (or, with `warnings_are_errors`, a
// warning), 1 when one has, 2 when a script cannot be read.
int check_script_files(const std::vector<std::string>& paths, std::optional<text_encoding> forced,
                       bool warnings_are_errors);

} // namespace tovl
