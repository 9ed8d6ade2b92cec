// Window and dialog commands: the caret, the caption, the message and the question.
#include "commands/window.h"

namespace tovl::commands {

void ftxtd(run_state& state, const decoded_line&, text_view) {
    state.host.move_caret_to_end();
}

void ftitl(run_state& state, const decoded_line& decoded, text_view line) {
    state.host.set_caption(value_text(operands(state.variables, decoded, line).slot(1)));
}

void fmsgb(run_state& state, const decoded_line& decoded, text_view line) {
    state.host.show_message(value_text(operands(state.variables, decoded, line).slot(1)));
}

// Asks with the prompt of field 2 and stores the answer as a text in the variable of field 1.
// The answer's variable is resolved only after the box has closed.
void finpt(run_state& state, const decoded_line& decoded, text_view line) {
    operands f(state.variables, decoded, line);
    text answer = state.host.ask(value_text(f.slot(2)));
    f.slot(1) = value::from_text(std::move(answer));
}

} // namespace tovl::commands
