// File commands: "ssave", "sload", "sdele" and "scopy".
#pragma once

#include "interp/operands.h"
#include "interp/run_state.h"

namespace tovl::commands {

void ssave(run_state& state, const decoded_line& decoded, text_view line);
void sload(run_state& state, const decoded_line& decoded, text_view line);
void sdele(run_state& state, const decoded_line& decoded, text_view line);
void scopy(run_state& state, const decoded_line& decoded, text_view line);

} // namespace tovl::commands
