// File commands: "ssave", "sload", "sdele" and "scopy".
#pragma once

#include "interp/operands.h"
#include "interp/run_state.h"

namespace tovl::commands {

void ssave(run_state& state, const operands& f);
void sload(run_state& state, const operands& f);
void sdele(run_state& state, const operands& f);
void scopy(run_state& state, const operands& f);

} // namespace tovl::commands
