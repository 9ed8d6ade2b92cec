// Window and dialog commands: "fprnt", "fnewl", "ftxtd", "ftitl", "fmsgb" and "finpt".
#include "commands/commands.h"
#include "interp/value.h"

namespace tovl::commands {

// Appends the slot's text form to the output; the caret goes back to the start.
void fprnt(run_state& state, text_view line) {
    operands f = state.fields(line);
    text scratch;
    state.host.append_output(value_text_view(f.slot(1), scratch));
}

void fnewl(run_state& state, text_view) {
    state.host.append_output(u"\r\n");
}

void ftxtd(run_state& state, text_view) {
    state.host.move_caret_to_end();
}

void ftitl(run_state& state, text_view line) {
    state.host.set_caption(value_text(state.fields(line).slot(1)));
}

void fmsgb(run_state& state, text_view line) {
    state.host.show_message(value_text(state.fields(line).slot(1)));
}

// Asks with the prompt of field 2 and stores the answer as a text in the slot of field 1. The
// answer's slot is resolved only after the box has closed.
void finpt(run_state& state, text_view line) {
    operands f = state.fields(line);
    text answer = state.host.ask(value_text(f.slot(2)));
    f.slot(1) = value::from_text(std::move(answer));
}

} // namespace tovl::commands
