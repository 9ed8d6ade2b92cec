// Flow-control commands: "fendp", "fifvr", "endif" and "fgoto".
#pragma once

#include "interp/operands.h"
#include "interp/run_state.h"
#include "interp/value.h"

namespace tovl::commands {

// The error of an "fgoto" whose target did not decode: no number, or none the counter holds.
[[noreturn, gnu::cold]] void raise_jump_error(text_view line);

// Ends the program after this line; its host closes the files and leaves with status 0.
inline void fendp(run_state& state, const decoded_line&, text_view) {
    state.end_requested = true;
}

// Compares two variables: "=" by their text forms, ">" by the leading numbers of their text
// forms. A failing condition sets the skip flag until the next "endif"; any other operator does
// nothing, not even read the variables' fields.
inline void fifvr(run_state& state, const decoded_line& decoded, text_view line) {
    operands f(state.variables, decoded, line);
    if (f.op() == u'=') {
        const value& a = f.slot(1);
        const value& b = f.slot(2);
        state.skipping = !same_text_form(a, b);
    } else if (f.op() == u'>') {
        double b = value_lead_number(f.slot(2));
        double a = value_lead_number(f.slot(1));
        state.skipping = !(a > b);
    }
}

// Runs even while lines are skipped: it is what ends the skipping.
inline void endif(run_state& state, const decoded_line&, text_view) {
    state.skipping = false;
}

// Jumps to a 1-based line number: the runner's step after this line lands on the target.
inline void fgoto(run_state& state, const decoded_line& decoded, text_view line) {
    if (!decoded.complete) [[unlikely]]
        raise_jump_error(line);
    state.line_counter = decoded.number;
}

} // namespace tovl::commands
