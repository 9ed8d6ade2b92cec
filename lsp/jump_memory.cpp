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

// A place in the lines before an edit, past a line's end standing at its end and past the last
// line at the text's end, as the script applies the edit.
struct edit_place {
    int line;
    int column;
};

edit_place place_in(const std::vector<text_view>& lines, int line, int column) {
    int last = count_of(lines) - 1;
    if (line > last) return {last, static_cast<int>(lines.back().size())};
    line = std::max(line, 0);
    int length = static_cast<int>(lines[static_cast<size_t>(line)].size());
    return {line, std::clamp(column, 0, length)};
}

// True when the lines before `first` and those after `last` are the same after the edit, moved
// by `shift`.
bool same_outside(const std::vector<text_view>& before, const std::vector<text_view>& after,
                  int first, int last, int shift) {
    auto at = [](const std::vector<text_view>& lines, int i) {
        return lines[static_cast<size_t>(i)];
    };
    for (int i = 0; i < first; ++i) {
        if (at(before, i) != at(after, i)) return false;
    }
    for (int i = last + 1; i < count_of(before); ++i) {
        if (at(before, i) != at(after, i + shift)) return false;
    }
    return true;
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
    if (before.empty() || after.empty() || pointed_at_.size() != before.size()) {
        reset(after);
        return;
    }
    const int shift = count_of(after) - count_of(before);
    const edit_place first = place_in(before, start_line, start_column);
    edit_place last = place_in(before, end_line, end_column);
    if (last.line < first.line) last = first;
    // The edit's lines run from first.line to last_after after it.
    const int last_after = last.line + shift;
    if (last_after < first.line || !same_outside(before, after, first.line, last.line, shift)) {
        reset(after);
        return;
    }
    const bool keeps_first = first.column > 0;
    const bool keeps_last =
        last.column < static_cast<int>(before[static_cast<size_t>(last.line)].size()) &&
        !(keeps_first && last_after == first.line);
    // Where line `old` of before is after the edit, or no_line when the edit removed it.
    auto now_at = [&](int old) {
        if (old < first.line) return old;
        if (old > last.line) return old + shift;
        if (first.line == last.line) return keeps_first ? old : last_after;
        if (old == first.line && keeps_first) return old;
        if (old == last.line && keeps_last) return last_after;
        return no_line;
    };
    std::vector<int> pointed(after.size(), no_line);
    // The edit's lines point where their numbers say unless they are old lines left as they were.
    for (int now = first.line; now <= last_after; ++now)
        pointed[static_cast<size_t>(now)] = written_target(after, now);
    for (int old = 0; old < count_of(before); ++old) {
        int now = now_at(old);
        if (now == no_line) continue;
        bool in_edit = now >= first.line && now <= last_after;
        if (in_edit && before[static_cast<size_t>(old)] != after[static_cast<size_t>(now)])
            continue;
        int target = pointed_at_[static_cast<size_t>(old)];
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
