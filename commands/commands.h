// The keyword handlers, one group a header, and the command set the interpreter runs them by.
#pragma once

#include "commands/files.h"
#include "commands/flow.h"
#include "commands/system.h"
#include "commands/variables.h"
#include "commands/window.h"
#include "interp/run_loop.h"

namespace tovl::commands {

// The run loop made with every keyword's handler.
const command_set& every_command();

} // namespace tovl::commands
