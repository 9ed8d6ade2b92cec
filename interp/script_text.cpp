// Line splitting at CR LF and the bare line feed check.
#include "interp/script_text.h"

namespace tovl {

std::vector<text_view> split_lines(text_view script) {
    std::vector<text_view> lines;
    if (script.empty()) return lines;
    size_t start = 0;
    for (;;) {
        size_t end = script.find(u"\r\n", start);
        if (end == text_view::npos) {
            lines.push_back(script.substr(start));
            return lines;
        }
        lines.push_back(script.substr(start, end - start));
        start = end + 2;
    }
}

bool has_bare_line_feed(text_view script) {
    for (size_t i = 0; i < script.size(); ++i) {
        if (script[i] == u'\n' && (i == 0 || script[i - 1] != u'\r')) return true;
    }
    return false;
}

} // namespace tovl
