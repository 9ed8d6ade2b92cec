// tovl-console --ask: before a script with powers runs, the user is asked on the terminal.
#pragma once

#include "app/script_file.h"

#include <string>

namespace tovl {

// True when the script may run: it has no powers, its version or folder is trusted, or the
// user answers "once", "always" (its version is trusted from now on) or "folder" (its folder
// is). The question and the powers go to the terminal (/dev/tty), not to standard error, and
// the answer is read from it, so that a script's own input stays its own; without a terminal
// nothing can be asked and the script does not run. `script` must hold its bytes.
bool allowed_after_asking(const std::string& path, const loaded_script& script);

} // namespace tovl
