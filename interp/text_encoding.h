// The encodings a run reads and writes bytes in: UTF-8, or Windows-1252 for older scripts.
#pragma once

#include "interp/text.h"
#include "interp/text_block.h"
#include "interp/text_ref.h"

#include <optional>
#include <string>
#include <string_view>

namespace tovl {

// Chosen once per run, from the script file or an option; file contents, file names and
// command lines all use it. Both keep every byte: decoding then encoding gives it back.
enum class text_encoding { utf8, windows_1252 };

// "utf-8" or "windows-1252" (letter case aside; "utf8" and "cp1252" too); nothing otherwise.
std::optional<text_encoding> encoding_named(std::string_view name);
const char* encoding_name(text_encoding encoding);

text decode_text(text_encoding encoding, std::string_view bytes);
void append_decoded(text& to, text_encoding encoding, std::string_view bytes);
// Decodes into a text kept narrow while its characters fit: ASCII bytes are taken as they are.
void append_decoded(compact_text& to, text_encoding encoding, std::string_view bytes);
std::string encode_text(text_encoding encoding, text_ref chars);
// How many bytes encode_text gives for `chars`, without making them.
size_t encoded_length(text_encoding encoding, text_ref chars);

} // namespace tovl
