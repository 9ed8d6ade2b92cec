// System commands: "frexe", "scdrm" and "sshdn".
#include "interp/interpreter.h"
#include "interp/numbers.h"

#include <string>

namespace tovl {

namespace {

constexpr int16_t normalwindow = 1;
constexpr int16_t minimizedwindow = 2;

} // namespace

// Launches the slot's text as a command line and goes on at once.
void interpreter::cmdfrexe(textview line) {
    system.launch(valuetext(fields(line, 1).slot(1)), normalwindow);
}

// 1 opens the CD tray, 0 closes it, anything else numeric does nothing.
void interpreter::cmdscdrm(textview line) {
    const Value& v = fields(line, 1).slot(1);
    const char* command;
    if (valueequal(v, 1.0))
        command = "set CDAudio door open";
    else if (valueequal(v, 0.0))
        command = "set CDAudio door closed";
    else
        return;
    system.mcisend(command);
}

// The field itself is the delay in seconds; no slot is involved.
void interpreter::cmdsshdn(textview line) {
    int16_t seconds = roundint16(fields(line, 1).number(1));
    text commandline = u"shutdown -s -f -t ";
    appendascii(commandline, std::to_string(seconds));
    system.launch(commandline, minimizedwindow);
}

} // namespace tovl
