// Jumps as links: the line a "fgoto" lands on, the jumps that land on a line, and the landing
// line's text shown after each jump.
#pragma once

#include "lsp/open_script.h"
#include "lsp/protocol_types.h"

namespace tovl::lsp {

// The location of the line the jump at `at` lands on, or null.
json definition_at(const open_script& script, text_position at);

// The locations of the jumps that land on the line at `at` (and the line itself when
// `include_declaration`).
json references_at(const open_script& script, text_position at, bool include_declaration);

// An inlay hint after each jump in `range`: the text of the line it lands on.
json inlay_hints(const open_script& script, text_range range);

} // namespace tovl::lsp
