// Dispatch between the UTF-8 and Windows-1252 conversions, and the encodings' names.
#include "interp/text_encoding.h"

#include "interp/code_page.h"
#include "interp/utf8.h"

#include <algorithm>
#include <cctype>

namespace tovl {

std::optional<text_encoding> encoding_named(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "utf-8" || lower == "utf8") return text_encoding::utf8;
    if (lower == "windows-1252" || lower == "cp1252") return text_encoding::windows_1252;
    return std::nullopt;
}

const char* encoding_name(text_encoding encoding) {
    return encoding == text_encoding::utf8 ? "utf-8" : "windows-1252";
}

void append_decoded(text& to, text_encoding encoding, std::string_view bytes) {
    if (encoding == text_encoding::utf8) {
        append_from_utf8(to, bytes);
        return;
    }
    size_t old = to.size();
    to.resize(old + bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        to[old + i] = decode_byte(static_cast<unsigned char>(bytes[i]));
}

void append_decoded(compact_text& to, text_encoding encoding, std::string_view bytes) {
    // ASCII decodes to itself in both encodings.
    if (is_ascii(bytes)) {
        to.append(narrow_view(reinterpret_cast<const narrow_char*>(bytes.data()), bytes.size()));
        return;
    }
    to.append(decode_text(encoding, bytes));
}

text decode_text(text_encoding encoding, std::string_view bytes) {
    text out;
    append_decoded(out, encoding, bytes);
    return out;
}

std::string encode_text(text_encoding encoding, text_ref chars) {
    if (encoding == text_encoding::utf8) {
        std::string out;
        append_utf8(out, chars);
        return out;
    }
    if (!chars.is_narrow()) return encode_code_page(chars.wide());
    // Each narrow character is one character to the code page: no pairs, no escaped bytes.
    std::string out(chars.size(), '\0');
    for (size_t i = 0; i < chars.size(); ++i) {
        char16_t c = chars.narrow()[i];
        out[i] = encode_char(text_view(&c, 1), 0);
    }
    return out;
}

// Windows-1252 gives one byte for each character, '?' for those it lacks.
size_t encoded_length(text_encoding encoding, text_ref chars) {
    return encoding == text_encoding::utf8 ? utf8_length(chars) : chars.size();
}

} // namespace tovl
