// Wildcard matching of file names, with backtracking only to the last `*`.
#include "interp/name_pattern.h"

#include "interp/utf8.h"

namespace tovl {

bool has_wildcards(std::string_view pattern) {
    return pattern.find_first_of("*?") != std::string_view::npos;
}

bool name_matches(std::string_view pattern, std::string_view name, bool utf8_names) {
    // The bytes of the character at `at`.
    auto character = [&](size_t at) {
        return utf8_names ? utf8_sequence_length(name.substr(at)) : 1;
    };
    if (name.starts_with('.') && !pattern.starts_with('.')) return false;
    size_t p = 0, n = 0;
    size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += character(n);
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            resume += character(resume);
            n = resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace tovl
