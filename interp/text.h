// Texts as hosts, the checker and reports take them: 16-bit characters, and helpers on them.
#pragma once

#include "interp/memory_budget.h"

#include <string>
#include <string_view>

namespace tovl {

// Texts allocate through the memory budget, which counts everything a run holds.
using text = std::basic_string<char16_t, std::char_traits<char16_t>, budget_allocator<char16_t>>;
using text_view = std::u16string_view;

// Widens an ASCII literal or buffer to a text, one character per byte.
inline text from_ascii(std::string_view ascii) {
    return text(ascii.begin(), ascii.end());
}

// Appends an ASCII buffer to a text, one character per byte.
inline void append_ascii(text& to, std::string_view ascii) {
    to.append(ascii.begin(), ascii.end());
}

} // namespace tovl
