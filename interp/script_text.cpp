// Script decoding, line splitting at CR LF or LF, and the mixed line-end check.
#include "interp/script_text.h"

#include "interp/utf8.h"

namespace tovl {

namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

} // namespace

decoded_script decode_script(std::string_view bytes, std::optional<text_encoding> forced) {
    bool marked = bytes.substr(0, byte_order_mark.size()) == byte_order_mark;
    if (marked) bytes.remove_prefix(byte_order_mark.size());
    text_encoding encoding = forced                           ? *forced
                             : marked || is_valid_utf8(bytes) ? text_encoding::utf8
                                                              : text_encoding::windows_1252;
    return {decode_text(encoding, bytes), encoding};
}

std::vector<text_view> split_lines(text_view script) {
    std::vector<text_view> lines;
    if (script.empty()) return lines;
    text_view line_end = script.find(u'\r') == text_view::npos ? u"\n" : u"\r\n";
    size_t start = 0;
    for (;;) {
        size_t end = script.find(line_end, start);
        if (end == text_view::npos) {
            lines.push_back(script.substr(start));
            return lines;
        }
        lines.push_back(script.substr(start, end - start));
        start = end + line_end.size();
    }
}

bool mixes_line_ends(text_view script) {
    if (script.find(u'\r') == text_view::npos) return false;
    for (size_t i = 0; i < script.size(); ++i) {
        if (script[i] == u'\n' && (i == 0 || script[i - 1] != u'\r')) return true;
    }
    return false;
}

} // namespace tovl
