// Window and dialog commands: "fprnt", "fnewl", "ftxtd", "ftitl", "fmsgb" and "finpt".
#pragma once

#include "interp/operands.h"
#include "interp/run_state.h"
#include "interp/value.h"

namespace tovl::commands {

// Appends the variable's text form to the output; the caret goes back to the start.
[[gnu::always_inline]] inline void fprnt(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    text scratch;
    state.host.append_output(value_text_view(f.slot(1), scratch));
}

[[gnu::always_inline]] inline void fnewl(run_state& state, const decoded_line&) {
    state.host.append_output(narrow_view(u8"\r\n"));
}

void ftxtd(run_state& state, const decoded_line& decoded);
void ftitl(run_state& state, const decoded_line& decoded);
void fmsgb(run_state& state, const decoded_line& decoded);
void finpt(run_state& state, const decoded_line& decoded);

} // namespace tovl::commands
