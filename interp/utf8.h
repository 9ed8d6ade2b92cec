// UTF-8 conversion of texts, for terminals and the window toolkit's byte strings.
#pragma once

#include "interp/text.h"

#include <string>
#include <string_view>

namespace tovl {

// Surrogates without a partner encode as U+FFFD.
std::string to_utf8(text_view chars);
void append_utf8(std::string& to, text_view chars);

// Malformed sequences decode as U+FFFD, one per offending byte.
text from_utf8(std::string_view bytes);

} // namespace tovl
