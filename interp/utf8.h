// UTF-8 conversion of texts, for terminals and the window toolkit's byte strings.
#pragma once

#include "interp/text.h"

#include <string>
#include <string_view>

namespace tovl {

// Surrogates without a partner encode as U+FFFD.
std::string toutf8(textview chars);
void appendutf8(std::string& to, textview chars);

// Malformed sequences decode as U+FFFD, one per offending byte.
text fromutf8(std::string_view bytes);

} // namespace tovl
