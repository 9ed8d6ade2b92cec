// Numbers and quotes in the checker's messages, trimming, and the words for a line's failure.
#include "check/check_words.h"

#include <string>

namespace tovl {

text number_text(long long n) {
    text t;
    append_ascii(t, std::to_string(n));
    return t;
}

text quoted(text_view s) {
    return u"\"" + text(s) + u"\"";
}

text_view trimmed(text_view s, text_view blanks) {
    size_t first = s.find_first_not_of(blanks);
    if (first == text_view::npos) return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

text failure_words(keyword k, error_kind kind) {
    text code = number_text(error_number(kind));
    text description = from_ascii(error_description(kind));
    if (row_of(k).has(trait::reports_failures))
        return u"the line reports \"" + code + u" " + description + u"\" and the run goes on";
    return u"the line fails with run-time error " + code + u" (" + description + u")";
}

} // namespace tovl
