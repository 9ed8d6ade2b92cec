// The layouts reaching each line, found by following a run's paths without running it.
#include "check/layout_flow.h"

#include "interp/numbers.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace tovl {

std::optional<int16_t> fnumv_size(text_view line) {
    parsed_number n = parse_strict_number(after_keyword(line));
    if (!n.ok()) return std::nullopt;
    double r = std::nearbyint(n.number);
    if (!(r >= 0 && r <= INT16_MAX)) return std::nullopt;
    return static_cast<int16_t>(r);
}

std::optional<int32_t> jump_target(text_view line) {
    parsed_number n = parse_strict_number(after_keyword(line));
    if (!n.ok()) return std::nullopt;
    std::optional<int16_t> counter = jump_counter(n.number);
    if (!counter) return std::nullopt;
    return line_after_jump(*counter);
}

namespace {

// True when a test line can fail under fields `width` wide, and so start a skip: when its
// operator is one of its row's, or when the width is not known.
bool test_can_fail(text_view line, const keyword_row& row, int width) {
    if (width == 0) return true;
    char16_t op = operator_at(line, width, row.field_of('o'));
    return op != u'\0' && row.operators.find(op) != text_view::npos;
}

} // namespace

reaching_layouts find_reaching_layouts(const std::vector<text_view>& lines,
                                       const line_keywords& keywords) {
    const int count = static_cast<int>(lines.size());
    // Where a failed test goes on: the first line after it that ends a block, or past the end.
    std::vector<int> next_block_end(lines.size(), count);
    for (int i = count - 2; i >= 0; --i) {
        bool ends_block = keywords[i + 1] && row_of(*keywords[i + 1]).has(trait::ends_block);
        next_block_end[i] = ends_block ? i + 1 : next_block_end[i + 1];
    }
    // Tables of one size behave alike, so the first "fnumv" reached with a size stands for
    // every other one with it; so do the "fnumv" lines that fail for one another.
    std::map<int, int> first_with_size;
    struct step {
        int layout;
        int width; // 0 when not known: no table yet, or an "fnumv" that fails
        int line;
    };
    reaching_layouts reached(lines.size());
    std::vector<step> pending{{no_layout, 0, 0}};
    while (!pending.empty()) {
        step at = pending.back();
        pending.pop_back();
        if (at.line < 0 || at.line >= count) continue;
        std::vector<int>& here = reached[at.line];
        if (here.size() >= max_layouts_per_line ||
            std::find(here.begin(), here.end(), at.layout) != here.end())
            continue;
        here.push_back(at.layout);
        step next{at.layout, at.width, at.line + 1};
        if (!keywords[at.line]) {
            pending.push_back(next);
            continue;
        }
        const keyword_row& row = row_of(*keywords[at.line]);
        text_view line = lines[at.line];
        if (row.has(trait::new_layout)) {
            // The layout ends here; the one the line makes goes on from it.
            std::optional<int16_t> size = fnumv_size(line);
            int layout = first_with_size.try_emplace(size ? *size : -1, at.line).first->second;
            pending.push_back({layout, size ? field_width_for(*size) : 0, at.line + 1});
        } else if (row.has(trait::ends_program)) {
            continue;
        } else if (row.has(trait::jumps)) {
            if (std::optional<int32_t> target = jump_target(line))
                pending.push_back({at.layout, at.width, *target - 1});
        } else {
            pending.push_back(next);
            // A test whose operator is none of its row's tests nothing and never starts a skip.
            if (row.has(trait::tests) && test_can_fail(line, row, at.width))
                pending.push_back({at.layout, at.width, next_block_end[at.line]});
        }
    }
    return reached;
}

reaching_layouts layouts_to_read(reaching_layouts reached, const line_keywords& keywords) {
    int above = no_layout;
    for (size_t i = 0; i < reached.size(); ++i) {
        if (keywords[i] && row_of(*keywords[i]).has(trait::new_layout)) above = static_cast<int>(i);
        if (reached[i].empty() && above != no_layout) reached[i] = {above};
    }
    return reached;
}

int last_landing_line(const std::vector<text_view>& lines) {
    size_t last = lines.size();
    if (last > 1 && lines.back().empty()) --last;
    return static_cast<int>(last);
}

} // namespace tovl
