// Windows-1252 decoding and encoding for file contents and file names.
#include "interp/code_page.h"

#include "interp/utf8.h"

#include <array>

namespace tovl {

namespace {

// Characters of the bytes 0x80..0x9F; every other byte stands for the character of its value.
// The undefined bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D keep their own value.
constexpr std::array<char16_t, 32> high_controls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char encode_char(text_view chars, size_t i) {
    char16_t c = chars[i];
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    // A byte kept from input that was not valid UTF-8 goes back as that byte.
    if (is_escaped_byte_at(chars, i)) return static_cast<char>(c - escaped_byte_base);
    for (size_t i = 0; i < high_controls.size(); ++i) {
        if (high_controls[i] == c) return static_cast<char>(0x80 + i);
    }
    return '?';
}

char16_t decode_byte(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return high_controls[byte - 0x80];
    return byte;
}

text decode_code_page(std::string_view bytes) {
    text out(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        out[i] = decode_byte(static_cast<unsigned char>(bytes[i]));
    }
    return out;
}

std::string encode_code_page(text_view chars) {
    std::string out(chars.size(), '\0');
    for (size_t i = 0; i < chars.size(); ++i)
        out[i] = encode_char(chars, i);
    return out;
}

} // namespace tovl
