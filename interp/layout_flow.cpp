// The layouts reaching each line, found by following a run's paths without running it.
#include "interp/layout_flow.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace tovl {

parsed_number fnumv_number(text_view line) {
    return parse_strict_number(after_keyword(line));
}

std::optional<int16_t> fnumv_size(text_view line) {
    parsed_number n = fnumv_number(line);
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

reaching_layouts find_reaching_layouts(const std::vector<text_view>& lines,
                                       const line_keywords& keywords) {
    const int count = static_cast<int>(lines.size());
    // Where a false test goes on: the first "endif" after it, or past the end.
    std::vector<int> next_endif(lines.size(), count);
    for (int i = count - 2; i >= 0; --i) {
        next_endif[i] = keywords[i + 1] == keyword::endif ? i + 1 : next_endif[i + 1];
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
        switch (*keywords[at.line]) {
        case keyword::fnumv: {
            // The layout ends here; the one the line makes goes on from it.
            std::optional<int16_t> size = fnumv_size(lines[at.line]);
            int layout = first_with_size.try_emplace(size ? *size : -1, at.line).first->second;
            pending.push_back({layout, size ? field_width_for(*size) : 0, at.line + 1});
            break;
        }
        case keyword::fendp: break;
        case keyword::fgoto:
            if (std::optional<int32_t> target = jump_target(lines[at.line]))
                pending.push_back({at.layout, at.width, *target - 1});
            break;
        case keyword::fifvr: {
            pending.push_back(next);
            // Any other operator tests nothing and never starts a skip.
            char16_t op = operator_at(lines[at.line], at.width, 3);
            if (at.width == 0 || op == u'=' || op == u'>')
                pending.push_back({at.layout, at.width, next_endif[at.line]});
            break;
        }
        default: pending.push_back(next);
        }
    }
    return reached;
}

} // namespace tovl
