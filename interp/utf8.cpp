// UTF-8 encoding and decoding of 16-bit texts, surrogate pairs included.
#include "interp/utf8.h"

namespace tovl {

namespace {

constexpr char32_t replacement = 0xFFFD;

void put_code_point(std::string& to, char32_t cp) {
    if (cp < 0x80) {
        to.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        to.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        to.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        to.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        to.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        to.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        to.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        to.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        to.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        to.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void put_utf16(text& to, char32_t cp) {
    if (cp < 0x10000) {
        to.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        to.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        to.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

bool is_high_surrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool is_low_surrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

void append_utf8(std::string& to, text_view chars) {
    for (size_t i = 0; i < chars.size(); ++i) {
        char16_t c = chars[i];
        if (c < 0x80) {
            to.push_back(static_cast<char>(c));
        } else if (is_high_surrogate(c) && i + 1 < chars.size() && is_low_surrogate(chars[i + 1])) {
            put_code_point(to, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (chars[i + 1] - 0xDC00));
            ++i;
        } else if (is_high_surrogate(c) || is_low_surrogate(c)) {
            put_code_point(to, replacement);
        } else {
            put_code_point(to, c);
        }
    }
}

std::string to_utf8(text_view chars) {
    std::string out;
    out.reserve(chars.size());
    append_utf8(out, chars);
    return out;
}

text from_utf8(std::string_view bytes) {
    text out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int extra = b >= 0xF0 && b <= 0xF4 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : -1;
        if (b >= 0xF5) extra = -1;
        char32_t cp = extra == 3 ? b & 0x07 : extra == 2 ? b & 0x0F : b & 0x1F;
        bool ok = extra > 0;
        for (int k = 1; ok && k <= extra; ++k) {
            if (i + k >= bytes.size()) {
                ok = false;
                break;
            }
            unsigned char cb = static_cast<unsigned char>(bytes[i + k]);
            if ((cb & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (cb & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are malformed too.
        if (ok && ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
                   (cp >= 0xD800 && cp <= 0xDFFF))) {
            ok = false;
        }
        if (!ok) {
            out.push_back(static_cast<char16_t>(replacement));
            ++i;
            continue;
        }
        put_utf16(out, cp);
        i += extra + 1;
    }
    return out;
}

} // namespace tovl
