// Words the checker's messages share: numbers and quoted texts.
#pragma once

#include "interp/text.h"

#include <string>

namespace tovl {

inline text number_text(long long n) {
    text t;
    append_ascii(t, std::to_string(n));
    return t;
}

inline text quoted(text_view s) {
    return u"\"" + text(s) + u"\"";
}

} // namespace tovl
