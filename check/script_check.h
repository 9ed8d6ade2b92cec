// The script checker: a script's likely mistakes, found without running it (tovl-console --check).
#pragma once

#include "check/diagnostic.h"
#include "interp/script_text.h"
#include "interp/text.h"

#include <string_view>
#include <vector>

namespace tovl {

// Every finding in the script, sorted by line, then column. Errors are lines that fail at run
// time or do something else than they seem to (a command that does nothing, a field read from
// the wrong columns); warnings are lines that work but are easily misread.
std::vector<diagnostic> check_script(text_view script);

// Every finding in a script read as `bytes` and decoded to `script`, those that only its bytes
// show (check/byte_check.h) included, in the same order. `encoding_forced` when the encoding
// was given rather than chosen from the bytes.
std::vector<diagnostic> check_script(std::string_view bytes, const decoded_script& script,
                                     bool encoding_forced);

} // namespace tovl
