// Script decoding, line splitting at CR LF or LF, and the mixed line-end check.
#include "interp/script_text.h"

#include "interp/text_encoding.h"
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

namespace {

// The encoding a script is read in, its byte-order mark taken off `bytes`.
text_encoding script_encoding(std::string_view& bytes, std::optional<text_encoding> forced) {
    bool marked = starts_with_byte_order_mark(bytes);
    if (marked) bytes.remove_prefix(byte_order_mark.size());
    return forced                           ? *forced
           : marked || is_valid_utf8(bytes) ? text_encoding::utf8
                                            : text_encoding::windows_1252;
}

// Both scan the script once, character by character (and the split counts its line feeds
// first): a script may have tens of thousands of lines, and this runs before every run.
template <class line_view, class chars> std::vector<line_view> lines_of(chars script) {
    using unit = typename chars::value_type;
    std::vector<line_view> lines;
    if (script.empty()) return lines;
    const unit* const start = script.data();
    const unit* const end = start + script.size();
    const unit* const first_cr = std::find(start, end, unit('\r'));
    const unit* line = start;
    // Room for every line at once: each line but the last ends in an LF, CR LF or not.
    lines.reserve(static_cast<size_t>(std::count(start, end, unit('\n'))) + 1);
    if (first_cr == end) { // LF ends the lines
        for (const unit* at = start; at != end; ++at) {
            if (*at == unit('\n')) {
                lines.emplace_back(chars(line, static_cast<size_t>(at - line)));
                line = at + 1;
            }
        }
    } else { // CR LF ends the lines; any other CR or LF stays in its line
        for (const unit* at = first_cr; at + 1 < end; ++at) {
            if (at[0] == unit('\r') && at[1] == unit('\n')) {
                lines.emplace_back(chars(line, static_cast<size_t>(at - line)));
                line = at + 2;
                ++at;
            }
        }
    }
    lines.emplace_back(chars(line, static_cast<size_t>(end - line)));
    return lines;
}

template <class chars> bool mixes_line_ends_in(chars script) {
    using unit = typename chars::value_type;
    const unit* const start = script.data();
    const unit* const end = start + script.size();
    if (std::find(start, end, unit('\r')) == end) return false;
    for (const unit* at = std::find(start, end, unit('\n')); at != end;
         at = std::find(at + 1, end, unit('\n'))) {
        if (at == start || at[-1] != unit('\r')) return true;
    }
    return false;
}

} // namespace

decoded_script decode_script(std::string_view bytes, std::optional<text_encoding> forced) {
    text_encoding encoding = script_encoding(bytes, forced);
    return {decode_text(encoding, bytes), encoding};
}

compact_script decode_compact_script(std::string_view bytes, std::optional<text_encoding> forced) {
    text_encoding encoding = script_encoding(bytes, forced);
    compact_script script{compact_text(), encoding};
    script.content.reserve(bytes.size());
    // A piece at a time, so that no wide copy of the whole script is ever held; a UTF-8
    // character cut by a piece's end waits for the next piece, as the file reader does it.
    constexpr size_t piece = size_t(1) << 16;
    while (!bytes.empty()) {
        size_t length = std::min(piece, bytes.size());
        if (encoding == text_encoding::utf8 && length < bytes.size())
            length -= incomplete_utf8_tail(bytes.substr(0, length));
        append_decoded(script.content, encoding, bytes.substr(0, length));
        bytes.remove_prefix(length);
    }
    return script;
}

std::vector<text_view> split_lines(text_view script) {
    return lines_of<text_view>(script);
}

std::vector<text_ref> split_compact_lines(text_ref script) {
    return script.visit([](auto chars) { return lines_of<text_ref>(chars); });
}

bool mixes_line_ends(text_ref script) {
    return script.visit([](auto chars) { return mixes_line_ends_in(chars); });
}

} // namespace tovl
