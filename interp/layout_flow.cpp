// The layouts reaching each line, found by following a run's paths without running it.
#include "interp/layout_flow.h"

#include <cmath>

namespace tovl {

int field_width_for(int16_t n) {
    int width = 1;
    for (int limit = 10; width < 5 && n >= limit; limit *= 10)
        ++width;
    return width;
}

parsed_number fnumv_number(text_view line) {
    return parse_strict_number(column_slice(line, 6, line.size()));
}

std::optional<int16_t> fnumv_size(text_view line) {
    parsed_number n = fnumv_number(line);
    if (!n.ok()) return std::nullopt;
    double r = std::nearbyint(n.number);
    if (!(r >= 0 && r <= INT16_MAX)) return std::nullopt;
    return static_cast<int16_t>(r);
}

// As "fgoto" computes it: the line counter becomes the number less 2, rounded, and the step
// after the line adds 1; a counter of 32767 cannot take that step.
std::optional<int32_t> jump_target(text_view line) {
    parsed_number n = parse_strict_number(column_slice(line, 6, line.size()));
    if (!n.ok()) return std::nullopt;
    double counter = std::nearbyint(n.number - 2);
    if (!(counter >= INT16_MIN && counter < INT16_MAX)) return std::nullopt;
    return static_cast<int32_t>(counter) + 2;
}

char16_t operator_at(text_view line, int field, int width) {
    text_view column = column_slice(line, static_cast<size_t>(6 + (field - 1) * width), 1);
    return column.empty() ? u'\0' : column[0];
}

reaching_layouts find_reaching_layouts(const std::vector<text_view>& lines,
                                       const line_keywords& keywords) {
    const int count = static_cast<int>(lines.size());
    // Where a false test goes on: the first "endif" after it, or past the end.
    std::vector<int> next_endif(lines.size(), count);
    for (int i = count - 2; i >= 0; --i) {
        next_endif[i] = keywords[i + 1] == keyword::endif ? i + 1 : next_endif[i + 1];
    }

    reaching_layouts reached(lines.size());
    std::vector<int> visited_by(lines.size(), no_layout - 1);
    std::vector<bool> started(lines.size(), false);
    std::vector<int> layouts{no_layout};
    while (!layouts.empty()) {
        int layout = layouts.back();
        layouts.pop_back();
        // 0 when the width is not known: no table yet, or an "fnumv" that fails.
        int width = 0;
        if (layout != no_layout) {
            if (std::optional<int16_t> n = fnumv_size(lines[layout])) width = field_width_for(*n);
        }
        std::vector<int> pending{layout + 1};
        while (!pending.empty()) {
            int i = pending.back();
            pending.pop_back();
            if (i < 0 || i >= count || visited_by[i] == layout) continue;
            visited_by[i] = layout;
            reached[i].push_back(layout);
            if (!keywords[i]) {
                pending.push_back(i + 1);
                continue;
            }
            switch (*keywords[i]) {
            case keyword::fnumv:
                // This layout ends here; the one the line makes goes on from it.
                if (!started[i]) {
                    started[i] = true;
                    layouts.push_back(i);
                }
                break;
            case keyword::fendp: break;
            case keyword::fgoto:
                if (std::optional<int32_t> target = jump_target(lines[i]))
                    pending.push_back(*target - 1);
                break;
            case keyword::fifvr: {
                pending.push_back(i + 1);
                // Any other operator tests nothing and never starts a skip.
                char16_t op = operator_at(lines[i], 3, width);
                if (width == 0 || op == u'=' || op == u'>') pending.push_back(next_endif[i]);
                break;
            }
            default: pending.push_back(i + 1);
            }
        }
    }
    return reached;
}

} // namespace tovl
