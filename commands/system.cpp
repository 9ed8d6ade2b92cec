// System commands: "frexe", "scdrm" and "sshdn".
#include "commands/system.h"
#include "interp/numbers.h"
#include "interp/value.h"

namespace tovl::commands {

namespace {

// Every program a script starts is started through here, after the host has written out what
// it holds back: the program's own output must come after the script's.
system_services& program_starter(run_state& state) {
    state.host.before_outside_write();
    return state.system;
}

} // namespace

// Launches the slot's text as a command line and goes on at once.
void frexe(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    text command_line = value_text(f.slot(1));
    program_starter(state).launch(command_line, window_style::normal);
}

// 1 opens the CD tray, 0 closes it, anything else numeric does nothing.
void scdrm(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    const value& v = f.slot(1);
    if (value_equals_number(v, 1.0))
        state.system.open_cd_tray();
    else if (value_equals_number(v, 0.0))
        state.system.close_cd_tray();
}

// The field itself is the delay in seconds; no slot is involved.
void sshdn(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    int16_t seconds = f.complete() ? f.decoded_number() : round_to_int16(f.number(1));
    program_starter(state).shut_down_after(seconds);
}

} // namespace tovl::commands
