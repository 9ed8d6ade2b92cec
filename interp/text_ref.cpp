// The operations that read texts in either form: fit, equality and widening.
#include "interp/text_ref.h"

#include <algorithm>

namespace tovl {

bool fits_narrow(text_view chars) {
    // One pass with no early exit, which the compiler turns into wide comparisons.
    char16_t any = 0;
    for (char16_t c : chars)
        any |= c;
    return any <= 0xFF;
}

bool operator==(text_ref a, text_ref b) {
    if (a.size() != b.size()) return false;
    if (a.is_narrow() == b.is_narrow()) {
        return a.is_narrow() ? a.narrow() == b.narrow() : a.wide() == b.wide();
    }
    narrow_view narrow = a.is_narrow() ? a.narrow() : b.narrow();
    text_view wide = a.is_narrow() ? b.wide() : a.wide();
    return std::equal(narrow.begin(), narrow.end(), wide.begin());
}

void append_chars(text& to, text_ref chars) {
    chars.visit([&](auto form) { to.append(form.begin(), form.end()); });
}

text widened(text_ref chars) {
    text out;
    append_chars(out, chars);
    return out;
}

} // namespace tovl
