// tovl-console --powers: what a script can do to the machine, one power a line.
#pragma once

#include "interp/text_encoding.h"

#include <optional>
#include <string>

namespace tovl {

// Writes on standard output, for each line that can use a power, "line N: WORDS: OPERAND", the
// operand quoted where the script fixes it and "computed at run time" otherwise, or "no powers"
// for a script without any. Returns the exit status: 0, 2 when the script cannot be read, 3
// when standard output cannot be written.
int report_powers(const std::string& path, std::optional<text_encoding> forced);

} // namespace tovl
