// The keyword enum and names, made from the keyword list, and the lookup of a line's keyword.
#pragma once

#include "interp/text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tovl {

enum class keyword : uint8_t {
#define TOVL_KEYWORD(name) name,
#include "interp/keywords.def"
#undef TOVL_KEYWORD
};

constexpr std::array keyword_names = {
#define TOVL_KEYWORD(name) text_view(u## #name),
#include "interp/keywords.def"
#undef TOVL_KEYWORD
};

constexpr size_t keyword_count = keyword_names.size();

// The keyword in columns 1 to 5 of a line, compared exactly; none for any other line.
std::optional<keyword> find_keyword(text_view line);

} // namespace tovl
