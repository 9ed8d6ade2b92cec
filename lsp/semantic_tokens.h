// Semantic tokens: the keyword, each operand field as the layout in force splits it, comments
// and lines that do nothing, for the editor to colour.
#pragma once

#include "lsp/open_script.h"
#include "lsp/protocol_types.h"

#include <optional>

namespace tovl::lsp {

// The token types and modifiers, in the order the tokens' numbers refer to.
json semantic_token_legend();

// The tokens of the script's lines that `lines` touches, of every line without it: {"data": [...]}
// in the protocol's relative encoding. An editor asks for the lines it shows first.
json semantic_tokens(const open_script& script, const std::optional<text_range>& lines = {});

} // namespace tovl::lsp
