// Keyword lookup: each five-character head packed into one integer, so a test is one compare.
#include "interp/keyword.h"

namespace tovl {

namespace {

// Heads with a character outside ASCII, or of another length, match no keyword and pack to 0.
constexpr uint64_t pack_head(text_view head) {
    if (head.size() != 5) return 0;
    uint64_t key = 0;
    for (char16_t c : head) {
        if (c == 0 || c > 0x7F) return 0;
        key = key << 8 | c;
    }
    return key;
}

constexpr std::array<uint64_t, keyword_count> packed_keywords = [] {
    std::array<uint64_t, keyword_count> packed{};
    for (size_t i = 0; i < keyword_count; ++i)
        packed[i] = pack_head(keyword_names[i]);
    return packed;
}();

} // namespace

std::optional<keyword> find_keyword(text_view line) {
    uint64_t head = pack_head(line.substr(0, 5));
    if (head == 0) return std::nullopt;
    for (size_t i = 0; i < keyword_count; ++i) {
        if (packed_keywords[i] == head) return static_cast<keyword>(i);
    }
    return std::nullopt;
}

} // namespace tovl
