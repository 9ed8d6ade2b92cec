// Flow-control commands: "fendp", "fifvr", "endif" and "fgoto".
#include "commands/commands.h"
#include "interp/numbers.h"
#include "interp/value.h"

namespace tovl::commands {

// Ends the program after this line; its host closes the files and leaves with status 0.
void fendp(run_state& state, text_view) {
    state.end_requested = true;
}

// Compares two slots: "=" by their text forms, ">" by the leading numbers of their text forms.
// A failing condition sets the skip flag until the next "endif"; any other operator does
// nothing, not even convert the slot numbers.
void fifvr(run_state& state, text_view line) {
    operands f = state.fields(line);
    char16_t op = f.operator_at(3);
    if (op == u'=') {
        const value& a = f.slot(1);
        const value& b = f.slot(2);
        text scratch_a, scratch_b;
        state.skipping = value_text_view(a, scratch_a) != value_text_view(b, scratch_b);
    } else if (op == u'>') {
        double b = value_lead_number(f.slot(2));
        double a = value_lead_number(f.slot(1));
        state.skipping = !(a > b);
    }
}

// Runs even while lines are skipped: it is what ends the skipping.
void endif(run_state& state, text_view) {
    state.skipping = false;
}

// Jumps to a 1-based line number: the runner's step after this line lands on the target.
void fgoto(run_state& state, text_view line) {
    text_view target = state.variables.field_rest(line, 1);
    parsed_number number = parse_strict_number(target);
    if (!number.ok()) {
        throw run_error(*number.error)
            .because(u"fgoto takes a line number from column 6 on, and \"" + text(target) +
                     u"\" is no number");
    }
    state.line_counter = round_to_int16(jump_counter(number.number));
}

} // namespace tovl::commands
