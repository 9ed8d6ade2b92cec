// File commands: "ssave", "sload", "sdele" and "scopy".
#pragma once

#include "interp/operands.h"
#include "interp/run_state.h"

namespace tovl::commands {

void ssave(run_state& state, const decoded_line& decoded);
void sload(run_state& state, const decoded_line& decoded);
void sdele(run_state& state, const decoded_line& decoded);
void scopy(run_state& state, const decoded_line& decoded);

} // namespace tovl::commands
