// Name patterns of "sdele": `*` for any run of characters, `?` for any one.
#pragma once

#include <string_view>

namespace tovl {

// True when the pattern holds a wildcard.
bool has_wildcards(std::string_view pattern);

// Whether a name (the bytes of the last part of a path) matches a pattern. `*` matches any run
// of characters, `?` any one character; every other byte stands for itself. As in every Linux
// shell, a name that starts with a dot (a hidden file such as ".bashrc") matches only a pattern
// that starts with a dot itself: neither `*` nor `?` stands for that dot. A character is one
// byte, or in UTF-8 names one whole UTF-8 sequence.
bool name_matches(std::string_view pattern, std::string_view name, bool utf8_names);

} // namespace tovl
