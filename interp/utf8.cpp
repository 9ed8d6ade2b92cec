// UTF-8 encoding and decoding of 16-bit texts, surrogate pairs and escaped bytes included.
#include "interp/utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tovl {

namespace {

// How many bytes at the start are ASCII, looked at eight at a time: scripts and most texts are
// nearly all ASCII, which needs no decoding beyond widening.
constexpr char32_t replacement = 0xFFFD;

char* put_code_point(char* out, char32_t cp) {
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (cp >> 18));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

bool is_high_surrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool is_low_surrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The length of the valid sequence at the start of `bytes` and its code point, or 0 when the
// first byte does not start one (overlong forms, surrogates and values past U+10FFFF included).
size_t valid_sequence(std::string_view bytes, char32_t& cp) {
    auto b = static_cast<unsigned char>(bytes[0]);
    size_t length = b < 0x80 ? 1 : b < 0xC2 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF5 ? 4 : 0;
    if (length == 0 || length > bytes.size()) return 0;
    cp = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    for (size_t k = 1; k < length; ++k) {
        auto next = static_cast<unsigned char>(bytes[k]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

} // namespace

bool is_escaped_byte(char16_t c) {
    return c >= escaped_byte_base + 0x80 && c <= escaped_byte_base + 0xFF;
}

bool is_surrogate_pair_at(text_view t, size_t i) {
    return i + 1 < t.size() && is_high_surrogate(t[i]) && is_low_surrogate(t[i + 1]);
}

bool is_escaped_byte_at(text_view t, size_t i) {
    return is_escaped_byte(t[i]) && !(i > 0 && is_high_surrogate(t[i - 1]));
}

namespace {

char* put_wide_utf8(char* out, text_view chars) {
    for (size_t i = 0; i < chars.size(); ++i) {
        // ASCII four characters at a time: most texts are nearly all ASCII.
        while (i + 4 <= chars.size()) {
            uint64_t block = 0;
            std::memcpy(&block, chars.data() + i, 8);
            if (block & 0xFF80FF80FF80FF80u) break;
            for (int k = 0; k < 4; ++k)
                out[k] = static_cast<char>(chars[i + static_cast<size_t>(k)]);
            out += 4;
            i += 4;
        }
        if (i == chars.size()) break;
        char16_t c = chars[i];
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
        } else if (is_surrogate_pair_at(chars, i)) {
            out = put_code_point(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) +
                                          (chars[i + 1] - 0xDC00));
            ++i;
        } else if (is_escaped_byte(c)) {
            *out++ = static_cast<char>(c - escaped_byte_base);
        } else if (is_high_surrogate(c) || is_low_surrogate(c)) {
            out = put_code_point(out, replacement);
        } else {
            out = put_code_point(out, c);
        }
    }
    return out;
}

// Characters U+0080..U+00FF take two bytes, the others one: runs of ASCII are copied whole.
char* put_narrow_utf8(char* out, narrow_view chars) {
    std::string_view bytes = as_bytes(chars);
    while (!bytes.empty()) {
        size_t ascii = ascii_run(bytes);
        std::memcpy(out, bytes.data(), ascii);
        out += ascii;
        bytes.remove_prefix(ascii);
        if (bytes.empty()) break;
        auto c = static_cast<unsigned char>(bytes.front());
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
        bytes.remove_prefix(1);
    }
    return out;
}

size_t wide_utf8_length(text_view chars) {
    size_t length = 0;
    for (size_t i = 0; i < chars.size(); ++i) {
        char16_t c = chars[i];
        if (c < 0x80 || is_escaped_byte(c)) {
            length += 1;
        } else if (c < 0x800) {
            length += 2;
        } else if (is_surrogate_pair_at(chars, i)) {
            length += 4;
            ++i;
        } else {
            length += 3; // the character itself, or U+FFFD for a surrogate without its partner
        }
    }
    return length;
}

} // namespace

size_t ascii_run(std::string_view bytes) {
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t block = 0;
        std::memcpy(&block, bytes.data() + i, 8);
        if (block & 0x8080808080808080u) break;
    }
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80)
        ++i;
    return i;
}

char* put_utf8(char* out, text_ref chars) {
    if (chars.is_narrow()) return put_narrow_utf8(out, chars.narrow());
    return put_wide_utf8(out, chars.wide());
}

size_t utf8_length(text_ref chars) {
    if (!chars.is_narrow()) return wide_utf8_length(chars.wide());
    narrow_view narrow = chars.narrow();
    return narrow.size() +
           static_cast<size_t>(std::count_if(narrow.begin(), narrow.end(),
                                             [](narrow_char c) { return c >= 0x80; }));
}

void append_utf8(std::string& to, text_ref chars) {
    if (chars.is_narrow() && is_ascii(as_bytes(chars.narrow()))) {
        to.append(as_bytes(chars.narrow()));
        return;
    }
    size_t old = to.size();
    to.resize(old + 3 * chars.size());
    char* end = put_utf8(to.data() + old, chars);
    to.resize(static_cast<size_t>(end - to.data()));
}

std::string to_utf8(text_view chars) {
    std::string out;
    append_utf8(out, chars);
    return out;
}

// Every byte gives at most one character (a four-byte sequence gives two), so the text grows
// by at most the number of bytes and is trimmed at the end.
void append_from_utf8(text& to, std::string_view bytes) {
    size_t old = to.size();
    to.resize(old + bytes.size());
    char16_t* out = to.data() + old;
    size_t i = 0;
    while (i < bytes.size()) {
        size_t ascii = ascii_run(bytes.substr(i));
        for (size_t k = 0; k < ascii; ++k)
            out[k] = static_cast<unsigned char>(bytes[i + k]);
        out += ascii;
        i += ascii;
        if (i == bytes.size()) break;
        auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            *out++ = b;
            ++i;
            continue;
        }
        char32_t cp = 0;
        size_t length = valid_sequence(bytes.substr(i), cp);
        if (length == 0) {
            *out++ = static_cast<char16_t>(escaped_byte_base + b);
            ++i;
        } else if (cp < 0x10000) {
            *out++ = static_cast<char16_t>(cp);
            i += length;
        } else {
            cp -= 0x10000;
            *out++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *out++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            i += length;
        }
    }
    to.resize(static_cast<size_t>(out - to.data()));
}

text from_utf8(std::string_view bytes) {
    text out;
    append_from_utf8(out, bytes);
    return out;
}

size_t utf8_sequence_length(std::string_view bytes) {
    char32_t cp = 0;
    size_t length = valid_sequence(bytes, cp);
    return length == 0 ? 1 : length;
}

bool is_valid_utf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        i += ascii_run(bytes.substr(i));
        if (i == bytes.size()) break;
        char32_t cp = 0;
        size_t length =
            static_cast<unsigned char>(bytes[i]) < 0x80 ? 1 : valid_sequence(bytes.substr(i), cp);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

size_t incomplete_utf8_tail(std::string_view bytes) {
    // Look back over continuation bytes for the lead byte of the last sequence.
    for (size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        auto b = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((b & 0xC0) == 0x80) continue;
        size_t wanted = b >= 0xC2 && b < 0xE0   ? 2
                        : b >= 0xE0 && b < 0xF0 ? 3
                        : b >= 0xF0 && b < 0xF5 ? 4
                                                : 0;
        return wanted > back ? back : 0;
    }
    return 0;
}

} // namespace tovl
