// System commands: "frexe", "scdrm" and "sshdn".
#include "commands/commands.h"
#include "interp/numbers.h"
#include "interp/value.h"

#include <string>

namespace tovl::commands {

// Launches the slot's text as a command line and goes on at once.
void frexe(run_state& state, text_view line) {
    state.system.launch(value_text(state.fields(line).slot(1)), window_style::normal);
}

// 1 opens the CD tray, 0 closes it, anything else numeric does nothing.
void scdrm(run_state& state, text_view line) {
    const value& v = state.fields(line).slot(1);
    if (value_equals_number(v, 1.0))
        state.system.open_cd_tray();
    else if (value_equals_number(v, 0.0))
        state.system.close_cd_tray();
}

// The field itself is the delay in seconds; no slot is involved.
void sshdn(run_state& state, text_view line) {
    int16_t seconds = round_to_int16(state.fields(line).number(1));
    state.system.shut_down_after(seconds);
}

} // namespace tovl::commands
