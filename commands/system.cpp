// System commands: "frexe", "scdrm" and "sshdn".
#include "interp/interpreter.h"
#include "interp/runerror.h"

namespace tovl {

// Until the launch and media layers are in place, these commands check their operands and
// report that the system service is not available.
void interpreter::cmdfrexe(textview line) {
    vars.fieldslot(line, 1);
    throw runerror(errorkind::filenotfound);
}

void interpreter::cmdscdrm(textview line) { vars.fieldslot(line, 1); }

void interpreter::cmdsshdn(textview line) {
    vars.fieldtext(line, 1);
    throw runerror(errorkind::filenotfound);
}

} // namespace tovl
