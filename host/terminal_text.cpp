// Text for standard error: line ends as LF, control characters shown or dropped, UTF-8 whole.
#include "host/terminal_text.h"

#include "interp/utf8.h"

namespace tovl {

namespace {

bool is_control(char16_t c) {
    return c < 0x20 ? c != u'\n' && c != u'\t' : c >= 0x7F && c <= 0x9F;
}

} // namespace

// The text between two characters that need more than encoding goes to append_utf8 whole, so
// that a surrogate pair is never cut: neither of its halves is such a character.
void append_terminal_text(std::string& to, text_view t, control_characters controls) {
    static const char digits[] = "0123456789ABCDEF";
    bool drop = controls == control_characters::dropped;
    size_t start = 0; // the first character not yet appended
    for (size_t i = 0; i < t.size(); ++i) {
        char16_t c = t[i];
        bool dropped = drop && (c < 0x20 || is_control(c) || is_escaped_byte_at(t, i));
        if (!dropped && c != u'\r' && !(is_control(c) && controls == control_characters::shown))
            continue;
        append_utf8(to, t.substr(start, i - start));
        start = i + 1;
        if (dropped) continue;
        if (c == u'\r') {
            to.push_back('\n');
            if (i + 1 < t.size() && t[i + 1] == u'\n') start = ++i + 1;
        } else if (c < 0x80) {
            to.push_back('^');
            to.push_back(static_cast<char>(c ^ 0x40));
        } else {
            to += "<U+00";
            to.push_back(digits[c >> 4]);
            to.push_back(digits[c & 0xF]);
            to.push_back('>');
        }
    }
    append_utf8(to, t.substr(start));
}

std::string terminal_text(text_view t, control_characters controls) {
    std::string out;
    append_terminal_text(out, t, controls);
    return out;
}

} // namespace tovl
