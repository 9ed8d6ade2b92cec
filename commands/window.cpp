// Window and dialog commands: the caret, the caption, the message and the question.
#include "commands/window.h"

namespace tovl::commands {

void ftxtd(run_state& state, const decoded_line&) {
    state.host.move_caret_to_end();
}

void ftitl(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    state.host.set_caption(value_text(f.slot(1)));
}

void fmsgb(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    state.host.show_message(value_text(f.slot(1)));
}

// Asks with the prompt of field 2 and stores the answer as a text in the variable of field 1.
// The answer's variable is resolved only after the box has closed.
void finpt(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    text answer = state.host.ask(value_text(f.slot(2)));
    f.slot(1) = value::from_text(answer);
}

} // namespace tovl::commands
