// The findings that only a script's bytes show: a byte-order mark, bytes that do not fit the
// encoding the run uses, and line ends of two kinds.
#pragma once

#include "check/diagnostic.h"
#include "interp/script_text.h"

#include <string_view>
#include <vector>

namespace tovl {

// What `bytes`, decoded to `script`, say that the decoded text no longer does; places are
// lines and columns of the decoded text. `encoding_forced` when the encoding was given rather
// than chosen from the bytes.
std::vector<diagnostic> check_bytes(std::string_view bytes, const decoded_script& script,
                                    bool encoding_forced);

} // namespace tovl
