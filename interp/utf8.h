// UTF-8 conversion of texts that keeps every byte: the encoding of terminals, file names and files.
#pragma once

#include "interp/text.h"
#include "interp/text_ref.h"

#include <string>
#include <string_view>

namespace tovl {

// A byte that is not part of valid UTF-8 decodes to the character escaped_byte_base + byte
// (U+DC80..U+DCFF, reserved for this) and encodes back to that same byte, so decoding and then
// encoding any bytes gives them back unchanged.
constexpr char16_t escaped_byte_base = 0xDC00;
bool is_escaped_byte(char16_t c);
// True when t[i] and t[i + 1] are a surrogate pair: one character beyond the 16-bit range, as
// an emoji is. The second half of a pair may lie in the escaped-byte range and is then no byte.
bool is_surrogate_pair_at(text_view t, size_t i);
// True when t[i] is an escaped byte, not the second half of a surrogate pair.
bool is_escaped_byte_at(text_view t, size_t i);

// Surrogates without a partner that are not escaped bytes encode as U+FFFD.
std::string to_utf8(text_view chars);
void append_utf8(std::string& to, text_ref chars);
// Writes the encoding of `chars` at `out`, which has room for 3 bytes per character; returns
// the end of what was written.
char* put_utf8(char* out, text_ref chars);
// How many bytes to_utf8 gives for `chars`.
size_t utf8_length(text_ref chars);

text from_utf8(std::string_view bytes);
void append_from_utf8(text& to, std::string_view bytes);

bool is_valid_utf8(std::string_view bytes);
// The number of ASCII bytes `bytes` starts with, read eight at a time.
size_t ascii_run(std::string_view bytes);
// True when every byte is ASCII: the same characters in UTF-8, the code page and one-byte texts.
inline bool is_ascii(std::string_view bytes) {
    return ascii_run(bytes) == bytes.size();
}
// The length of the character that `bytes` starts with: its whole UTF-8 sequence, or 1 for a
// byte that starts none. `bytes` is not empty.
size_t utf8_sequence_length(std::string_view bytes);

// How many bytes at the end of `bytes` begin a sequence that more bytes could still complete
// (0 to 3). A reader in blocks keeps them back until the next block arrives.
size_t incomplete_utf8_tail(std::string_view bytes);

} // namespace tovl
