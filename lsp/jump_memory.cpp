// Which line each jump pointed at before the edits since the script was opened.
#include "lsp/jump_memory.h"

#include "check/layout_flow.h"
#include "interp/keyword.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace tovl::lsp {

namespace {

// What a line that is no jump, or remembers no line, points at.
constexpr int no_line = -1;

int count_of(const std::vector<text_view>& lines) {
    return static_cast<int>(lines.size());
}

// The 0-based line that line `index` jumps to by its number, or no_line when it is no jump or
// its number names no line of the script.
int written_target(const std::vector<text_view>& lines, int index) {
    text_view line = lines[static_cast<size_t>(index)];
    std::optional<keyword> k = find_keyword(line);
    if (!k || !row_of(*k).has(trait::jumps)) return no_line;
    std::optional<int32_t> target = jump_target(line);
    if (!target || *target < 1 || *target > count_of(lines)) return no_line;
    return *target - 1;
}

} // namespace

void jump_memory::reset(const std::vector<text_view>& lines) {
    pointed_at_.assign(lines.size(), no_line);
    for (int i = 0; i < count_of(lines); ++i)
        pointed_at_[static_cast<size_t>(i)] = written_target(lines, i);
}

// The lines after the edit say what it inserted, so `inserted` itself is not read.
void jump_memory::follow_edit(const std::vector<text_view>& before, int start_line,
                              int start_column, int end_line, int end_column,
                              text_view /*inserted*/, const std::vector<text_view>& after) {
    const int shift = count_of(after) - count_of(before);
    // The edit's lines run from start_line to last_after after it. Places that are none of
    // before's, or lines that do not add up (the script's line ends changed), start afresh.
    const int last_after = end_line + shift;
    if (start_line < 0 || start_line > end_line || end_line >= count_of(before) ||
        last_after < start_line) {
        reset(after);
        return;
    }
    const bool keeps_first = start_column > 0;
    const bool keeps_last =
        end_column < static_cast<int>(before[static_cast<size_t>(end_line)].size()) &&
        !(keeps_first && last_after == start_line);
    // Where line `old` of before is after the edit, or no_line when the edit removed it.
    auto now_at = [&](int old) {
        if (old < start_line) return old;
        if (old > end_line) return old + shift;
        if (start_line == end_line) return keeps_first ? old : last_after;
        if (old == start_line && keeps_first) return old;
        if (old == end_line && keeps_last) return last_after;
        return no_line;
    };
    // New lines and lines whose text changed point where their numbers say; the others keep
    // their memory.
    std::vector<int> pointed(after.size(), no_line);
    for (int now = start_line; now <= last_after; ++now)
        pointed[static_cast<size_t>(now)] = written_target(after, now);
    for (int old = 0; old < count_of(before); ++old) {
        int now = now_at(old);
        if (now == no_line) continue;
        int target = pointed_at_[static_cast<size_t>(old)];
        if (before[static_cast<size_t>(old)] != after[static_cast<size_t>(now)])
            pointed[static_cast<size_t>(now)] = written_target(after, now);
        else
            pointed[static_cast<size_t>(now)] = target == no_line ? no_line : now_at(target);
    }
    pointed_at_ = std::move(pointed);
}

std::vector<jump_memory::moved_jump> jump_memory::moved(const std::vector<text_view>& lines) const {
    std::vector<moved_jump> found;
    size_t count = std::min(lines.size(), pointed_at_.size());
    for (size_t i = 0; i < count; ++i) {
        if (pointed_at_[i] == no_line) continue;
        std::optional<int32_t> written = jump_target(lines[i]);
        int remembered = pointed_at_[i] + 1;
        if (written && *written != remembered)
            found.push_back({static_cast<int>(i), *written, remembered});
    }
    return found;
}

} // namespace tovl::lsp
