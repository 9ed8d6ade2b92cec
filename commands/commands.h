// The keyword handlers, one per keyword of the list, and the table the interpreter runs them by.
#pragma once

#include "interp/run_state.h"

namespace tovl::commands {

#define TOVL_KEYWORD(name) void name(run_state& state, text_view line);
#include "interp/keywords.def"
#undef TOVL_KEYWORD

// Every handler, indexed by keyword.
const command_table& handlers();

} // namespace tovl::commands
