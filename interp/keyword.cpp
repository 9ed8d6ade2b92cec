// Keyword lookup: each five-character head packed into one integer and hashed to its place.
#include "interp/keyword.h"

namespace tovl {

namespace {

// Heads with a character outside ASCII, or of another length, match no keyword and pack to 0.
template <class chars> constexpr uint64_t pack_head(chars head) {
    if (head.size() != 5) return 0;
    // A character beyond ASCII could pack like an ASCII one. A 0 packs to a 0 byte, which no
    // keyword has, so such a head finds none.
    if ((head[0] | head[1] | head[2] | head[3] | head[4]) >= 0x80) return 0;
    return uint64_t(head[0]) << 32 | uint64_t(head[1]) << 24 | uint64_t(head[2]) << 16 |
           uint64_t(head[3]) << 8 | uint64_t(head[4]);
}

// The keywords in a table of 64 places, each at the place its packed head hashes to: a lookup
// is one multiply, one shift and one compare. The multiplier was found by trying random odd
// numbers until no two keywords share a place; a new keyword that collides stops the build
// here, and another multiplier must be found the same way.
constexpr int table_bits = 6;
constexpr uint64_t hash_multiplier = 0x8027a2a235372235u;

constexpr size_t place(uint64_t key) {
    return static_cast<size_t>((key * hash_multiplier) >> (64 - table_bits));
}

constexpr bool keywords_spread() {
    std::array<bool, size_t(1) << table_bits> taken{};
    for (const keyword_row& row : keyword_rows) {
        size_t at = place(pack_head(text_view(row.name)));
        if (taken[at]) return false;
        taken[at] = true;
    }
    return true;
}
static_assert(keywords_spread(), "two keywords hash to one place: find another multiplier");

struct keyword_place {
    uint64_t key = 0; // 0: no keyword here
    keyword k = keyword{};
};

constexpr std::array<keyword_place, size_t(1) << table_bits> keyword_table = [] {
    std::array<keyword_place, size_t(1) << table_bits> table{};
    for (size_t i = 0; i < keyword_count; ++i) {
        uint64_t key = pack_head(text_view(keyword_rows[i].name));
        table[place(key)] = {key, static_cast<keyword>(i)};
    }
    return table;
}();

} // namespace

std::optional<keyword> find_keyword(text_ref line) {
    // The first five characters, in either form.
    uint64_t head = line.visit([](auto chars) { return pack_head(chars.substr(0, 5)); });
    if (head == 0) return std::nullopt;
    const keyword_place& found = keyword_table[place(head)];
    if (found.key != head) return std::nullopt;
    return found.k;
}

std::string_view power_name(script_power power) {
    switch (power) {
    case script_power::none: break;
    case script_power::run: return "run";
    case script_power::delete_files: return "delete";
    case script_power::write_files: return "write";
    case script_power::eject: return "eject";
    case script_power::shut_down: return "shutdown";
    }
    return "none";
}

text_view power_words(script_power power) {
    switch (power) {
    case script_power::none: break;
    case script_power::run: return u"run programs";
    case script_power::delete_files: return u"delete files";
    case script_power::write_files: return u"write files";
    case script_power::eject: return u"open and close the CD tray";
    case script_power::shut_down: return u"shut the computer down";
    }
    return u"nothing outside the script";
}

} // namespace tovl
