// Text for a terminal line: line ends as LF, control characters made visible.
#include "host/terminal_text.h"

namespace tovl {

text terminal_text(text_view t, bool visible_controls) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    text out;
    for (size_t i = 0; i < t.size(); ++i) {
        char16_t c = t[i];
        if (c == u'\r') {
            out.push_back(u'\n');
            if (i + 1 < t.size() && t[i + 1] == u'\n') ++i;
        } else if (visible_controls && c != u'\n' && c != u'\t' && (c < 0x20 || c == 0x7F)) {
            out.push_back(u'^');
            out.push_back(static_cast<char16_t>(c ^ 0x40));
        } else if (visible_controls && c >= 0x80 && c <= 0x9F) {
            out += u"<U+00";
            out.push_back(digits[c >> 4]);
            out.push_back(digits[c & 0xF]);
            out.push_back(u'>');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace tovl
