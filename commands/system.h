// System commands: "frexe", "scdrm" and "sshdn".
#pragma once

#include "interp/operands.h"
#include "interp/run_state.h"

namespace tovl::commands {

void frexe(run_state& state, const decoded_line& decoded);
void scdrm(run_state& state, const decoded_line& decoded);
void sshdn(run_state& state, const decoded_line& decoded);

} // namespace tovl::commands
