// The 8-bit code page of files and file names: Windows-1252, fixed and byte-preserving.
#pragma once

#include "interp/text.h"

#include <string>
#include <string_view>

namespace tovl {

// Every byte decodes to exactly one character; the five bytes the code page leaves undefined
// decode to the control characters of the same value, so decode then encode is the identity.
text decode_code_page(std::string_view bytes);
char16_t decode_byte(unsigned char byte);

// A character with no byte in the code page encodes as '?', each half of a surrogate pair
// too; an escaped byte (see utf8.h) as its byte.
std::string encode_code_page(text_view chars);
// The byte of chars[i].
char encode_char(text_view chars, size_t i);

} // namespace tovl
