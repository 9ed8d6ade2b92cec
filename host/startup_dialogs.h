// startup_dialogs: what the window shows before a script runs: the file chooser and the box of
// a start-up error.
#pragma once

#include <QString>

#include <optional>
#include <string>

namespace tovl {

// Asks for the script to run: TOVL scripts (*.tovl, and the names the desktop gives the script
// MIME type) or, on request, any file. Opens in the folder a script was last chosen from, kept
// in the user's settings (~/.config/tovl/tovl.conf), and remembers the new one. Nothing when
// the user cancels. The name is the file's path as the system spells it.
std::optional<std::string> choose_script();

// A box titled "TOVL" with an error icon and `message` as plain text; returns when it is closed.
void show_startup_error(const QString& message);

} // namespace tovl
