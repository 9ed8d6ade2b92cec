// Semantic tokens: the keyword, each operand field as the layout in force splits it, comments
// and lines that do nothing, for the editor to colour.
#pragma once

#include "lsp/open_script.h"
#include "lsp/protocol_types.h"

namespace tovl::lsp {

// The token types and modifiers, in the order the tokens' numbers refer to.
json semantic_token_legend();

// The tokens of the whole script: {"data": [...]} in the protocol's relative encoding.
json semantic_tokens(const open_script& script);

} // namespace tovl::lsp
