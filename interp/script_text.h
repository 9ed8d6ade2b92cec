// Splitting a script text into its lines, and the checks made on a whole script.
#pragma once

#include "interp/text.h"

#include <vector>

namespace tovl {

// The pieces between CR LF pairs, empty pieces included; an empty text has no lines.
std::vector<text_view> split_lines(text_view script);

// True when the script holds a line feed that does not follow a carriage return: such a script
// was saved with the wrong line ends and runs as fewer, longer lines than its author meant.
bool has_bare_line_feed(text_view script);

} // namespace tovl
