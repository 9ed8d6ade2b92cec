// terminal_text: text as a terminal is to show it, so that no text can send it commands.
#pragma once

#include "interp/text.h"

namespace tovl {

// The characters a terminal line shows for `t`: CR LF and lone CRs become LF, and with
// `visible_controls` other control characters (C0 but tab and LF, DEL, C1) become ^X or
// <U+XXXX>, so that a text cannot retitle the terminal, clear its screen or send it any other
// command. Standard error gets messages this way when it is a terminal.
text terminal_text(text_view t, bool visible_controls);

} // namespace tovl
