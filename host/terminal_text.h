// terminal_text: text as standard error writes it, each character whole and no command in it.
#pragma once

#include "interp/text.h"

#include <string>

namespace tovl {

// What becomes of control characters (C0 but tab and LF, DEL, C1): kept where standard error
// is no terminal; shown as ^X or <U+XXXX> on a terminal, so that a text cannot retitle the
// terminal, clear its screen or send it any other command; dropped from a terminal title,
// with tabs, line ends and escaped bytes, so that a title cannot end its sequence early.
enum class control_characters { kept, shown, dropped };

// Appends the UTF-8 of `t` as a terminal line shows it: CR LF and lone CRs become LF, a
// surrogate pair one four-byte character, a surrogate without its partner U+FFFD, an escaped
// byte (a byte of input that was not UTF-8) that byte again. Every message, prompt, report,
// trace line and title that tovl-console writes on standard error goes through here.
void append_terminal_text(std::string& to, text_view t, control_characters controls);
std::string terminal_text(text_view t, control_characters controls);

} // namespace tovl
