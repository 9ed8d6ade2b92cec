// Completion: the keywords at column 1, each with its operand shape as a snippet.
#pragma once

#include "lsp/open_script.h"
#include "lsp/protocol_types.h"

namespace tovl::lsp {

// The completion list at `at`: empty past the keyword columns.
json completion_at(const open_script& script, text_position at);

} // namespace tovl::lsp
