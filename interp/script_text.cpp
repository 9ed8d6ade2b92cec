// Script decoding, line splitting at CR LF or LF, and the mixed line-end check.
#include "interp/script_text.h"

#include "interp/utf8.h"

#include <algorithm>

namespace tovl {

bool looks_like_utf16(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return true;
    // The zeros of the first characters: all on one side of each pair, at least one in three
    // pairs (a text of letters has one in every pair; a UTF-8 script has none at all).
    constexpr size_t looked_at = 4096;
    std::string_view start = bytes.substr(0, looked_at);
    size_t pairs = start.size() / 2;
    size_t zeros[2] = {0, 0};
    for (size_t i = 0; i < pairs * 2; ++i)
        zeros[i % 2] += start[i] == '\0';
    return pairs > 0 && (zeros[0] == 0) != (zeros[1] == 0) && (zeros[0] + zeros[1]) * 3 >= pairs;
}

decoded_script decode_script(std::string_view bytes, std::optional<text_encoding> forced) {
    bool marked = starts_with_byte_order_mark(bytes);
    if (marked) bytes.remove_prefix(byte_order_mark.size());
    text_encoding encoding = forced                           ? *forced
                             : marked || is_valid_utf8(bytes) ? text_encoding::utf8
                                                              : text_encoding::windows_1252;
    return {decode_text(encoding, bytes), encoding};
}

// Both scan the script once, character by character: a script may have tens of thousands of
// lines, and this runs before every run.
std::vector<text_view> split_lines(text_view script) {
    std::vector<text_view> lines;
    if (script.empty()) return lines;
    const char16_t* const start = script.data();
    const char16_t* const end = start + script.size();
    const char16_t* const first_cr = std::find(start, end, u'\r');
    const char16_t* line = start;
    lines.reserve(script.size() / 24 + 1); // most scripts' lines are shorter than this
    if (first_cr == end) {                 // LF ends the lines
        for (const char16_t* at = start; at != end; ++at) {
            if (*at == u'\n') {
                lines.emplace_back(line, static_cast<size_t>(at - line));
                line = at + 1;
            }
        }
    } else { // CR LF ends the lines; any other CR or LF stays in its line
        for (const char16_t* at = first_cr; at + 1 < end; ++at) {
            if (at[0] == u'\r' && at[1] == u'\n') {
                lines.emplace_back(line, static_cast<size_t>(at - line));
                line = at + 2;
                ++at;
            }
        }
    }
    lines.emplace_back(line, static_cast<size_t>(end - line));
    return lines;
}

bool mixes_line_ends(text_view script) {
    const char16_t* const start = script.data();
    const char16_t* const end = start + script.size();
    if (std::find(start, end, u'\r') == end) return false;
    for (const char16_t* at = std::find(start, end, u'\n'); at != end;
         at = std::find(at + 1, end, u'\n')) {
        if (at == start || at[-1] != u'\r') return true;
    }
    return false;
}

} // namespace tovl
