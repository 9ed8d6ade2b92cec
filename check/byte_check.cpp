// A script's byte-order mark, its bytes that are not UTF-8, and its mixed line ends.
#include "check/byte_check.h"

#include "interp/error_report.h"
#include "interp/utf8.h"

#include <algorithm>
#include <string>

namespace tovl {

namespace {

std::string hex_byte(unsigned char byte) {
    const char digits[] = "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 0xF]};
}

// A place in the script's text as a 1-based line and column, lines split as the run splits them.
struct text_place {
    int line;
    int column;
};

text_place place_of(const std::vector<text_view>& lines, const char16_t* at) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (at >= lines[i].data() && at <= lines[i].data() + lines[i].size())
            return {static_cast<int>(i) + 1, static_cast<int>(at - lines[i].data()) + 1};
    }
    return {1, 1};
}

} // namespace

std::vector<diagnostic> check_bytes(std::string_view bytes, const decoded_script& script,
                                    bool encoding_forced) {
    std::vector<diagnostic> found;
    std::vector<text_view> lines = split_lines(script.content);
    if (starts_with_byte_order_mark(bytes)) {
        found.push_back({1, 1, check_level::warning,
                         u"the script starts with a byte-order mark (bytes EF BB BF), which TOVL "
                         u"skips; other tools may not: save the script as UTF-8 without it"});
    }
    if (script.encoding == text_encoding::windows_1252 && !encoding_forced) {
        // Read as Windows-1252 one byte to one character, so a byte's offset is its place.
        size_t first_bad = std::string_view::npos;
        bool has_utf8 = false;
        for (size_t i = 0; i < bytes.size();) {
            size_t length = utf8_sequence_length(bytes.substr(i));
            if (length > 1) has_utf8 = true;
            if (length == 1 && static_cast<unsigned char>(bytes[i]) >= 0x80 &&
                first_bad == std::string_view::npos)
                first_bad = i;
            i += length;
        }
        if (has_utf8) {
            text_place at = place_of(lines, script.content.data() + first_bad);
            found.push_back({at.line, at.column, check_level::warning,
                             u"byte " + from_ascii(hex_byte(bytes[first_bad])) +
                                 u" is not UTF-8, so the whole script is read as Windows-1252, "
                                 u"and its UTF-8 letters elsewhere show as two or three odd "
                                 u"characters each: write this character in UTF-8, or run with "
                                 u"--encoding=utf-8"});
        }
    }
    if (script.encoding == text_encoding::utf8) {
        for (text_view line : lines) {
            size_t bad = 0;
            while (bad < line.size() && !is_escaped_byte_at(line, bad))
                ++bad;
            if (bad == line.size()) continue;
            text_place at = place_of(lines, line.data() + bad);
            auto byte = static_cast<unsigned char>(line[bad] - escaped_byte_base);
            found.push_back(
                {at.line, at.column, check_level::warning,
                 u"byte " + from_ascii(hex_byte(byte)) + u" is not UTF-8: the script " +
                     (encoding_forced ? u"runs in UTF-8 (--encoding=utf-8)"
                                      : u"runs in UTF-8 (it starts with a byte-order mark)") +
                     u", so this byte stays a byte of its own and shows as a "
                     u"replacement mark: write the character in UTF-8"});
        }
    }
    if (mixes_line_ends(script.content)) {
        const text& content = script.content;
        for (size_t i = 0; i < content.size(); ++i) {
            if (content[i] != u'\n' || (i > 0 && content[i - 1] == u'\r')) continue;
            text_place at = place_of(lines, content.data() + i);
            found.push_back({at.line, at.column, check_level::warning, text(line_feed_hint)});
            break;
        }
    }
    return found;
}

} // namespace tovl
