// System commands: "frexe", "scdrm" and "sshdn".
#pragma once

#include "interp/operands.h"
#include "interp/run_state.h"

namespace tovl::commands {

void frexe(run_state& state, const operands& f);
void scdrm(run_state& state, const operands& f);
void sshdn(run_state& state, const operands& f);

} // namespace tovl::commands
