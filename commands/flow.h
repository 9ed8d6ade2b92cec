// Flow-control commands: "fendp", "fifvr", "endif" and "fgoto".
#pragma once

#include "interp/operands.h"
#include "interp/run_state.h"
#include "interp/value.h"

namespace tovl::commands {

// The error of an "fgoto" whose target did not decode: no number, or none the counter holds.
[[noreturn, gnu::cold]] void raise_jump_error(text_ref line);

// Ends the program after this line; its host closes the files and leaves with status 0.
[[gnu::always_inline]] inline void fendp(run_state& state, const decoded_line&) {
    state.end_requested = true;
}

// Every case of "fifvr", its errors included; the inline body below takes the usual ones.
[[gnu::cold]] void compare(run_state& state, operands f);

// Compares two variables: "=" by their text forms, ">" by the leading numbers of their text
// forms. A failing condition sets the skip flag until the next "endif"; any other operator does
// nothing, not even read the variables' fields. The usual cases, two texts for "=" and two
// numbers for ">" in variables of the table, finish here; every other goes on to compare().
[[gnu::always_inline]] inline void fifvr(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    if (f.complete()) [[likely]] {
        const value& a = f.decoded_slot(1);
        const value& b = f.decoded_slot(2);
        double left = 0;
        double right = 0;
        if (f.op() == u'>' && quick_lead_number(b, right) && quick_lead_number(a, left)) {
            state.skipping = !(left > right);
            return;
        }
        if (f.op() == u'=' && a.kind() == value_kind::text && b.kind() == value_kind::text) {
            state.skipping = a.as_text() != b.as_text();
            return;
        }
    }
    compare(state, f);
}

// Runs even while lines are skipped: it is what ends the skipping.
[[gnu::always_inline]] inline void endif(run_state& state, const decoded_line&) {
    state.skipping = false;
}

// Jumps to a 1-based line number: the runner's step after this line lands on the target.
[[gnu::always_inline]] inline void fgoto(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    if (!f.complete()) [[unlikely]]
        raise_jump_error(f.line());
    state.line_counter = f.decoded_number();
}

} // namespace tovl::commands
