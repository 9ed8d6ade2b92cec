// What the language guide says of each keyword, for hovers. The table is made from
// docs/language.md when the server is built (lsp/make_keyword_help.py), so the guide stays the
// one place where a keyword is described.
#pragma once

#include "interp/keyword.h"

#include <string_view>

namespace tovl::lsp {

// The guide's words on one keyword, as Markdown in UTF-8.
struct keyword_help {
    std::string_view name;
    std::string_view operands; // the Operands cell of its row in the keyword table
    std::string_view does;     // the Does cell of that row
    std::string_view synopsis; // the first paragraph of its own section
    std::string_view example;  // the first example script of that section
};

const keyword_help& help_of(keyword k);

} // namespace tovl::lsp
