// Hover: what a keyword does, which variable a field names, where a jump lands.
#pragma once

#include "lsp/open_script.h"
#include "lsp/protocol_types.h"

namespace tovl::lsp {

// The hover at `at`, or null when there is nothing to say there.
json hover_at(const open_script& script, text_position at);

} // namespace tovl::lsp
