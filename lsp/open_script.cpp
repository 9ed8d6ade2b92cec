// A script open in an editor, changed as the editor changes it.
#include "lsp/open_script.h"

#include "interp/script_text.h"

#include <algorithm>
#include <utility>

namespace tovl::lsp {

open_script::open_script(std::string uri, text content, int version)
    : uri_(std::move(uri)), version_(version), content_(std::move(content)) {
    split();
    jumps_.reset(lines_);
}

text_view open_script::line(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= lines_.size()) return {};
    return lines_[static_cast<size_t>(index)];
}

void open_script::split() {
    lines_ = split_lines(content_);
}

namespace {

// The place of `offset` in `lines`, views into the text at `start`: the line holding it and the
// column in that line, an offset within a line end standing at the line's end.
text_position place_of(const std::vector<text_view>& lines, const char16_t* start, size_t offset) {
    const char16_t* at = start + offset;
    auto next = std::upper_bound(lines.begin(), lines.end(), at,
                                 [](const char16_t* p, text_view line) { return p < line.data(); });
    if (next == lines.begin()) return {};
    const text_view& line = *(next - 1);
    size_t column = std::min(static_cast<size_t>(at - line.data()), line.size());
    return {static_cast<int>(next - 1 - lines.begin()), static_cast<int>(column)};
}

} // namespace

size_t open_script::offset_of(text_position p) const {
    size_t at = 0;
    for (int line = 0; line < p.line; ++line) {
        while (at < content_.size() && content_[at] != u'\n' && content_[at] != u'\r')
            ++at;
        if (at == content_.size()) return at;
        at += content_.compare(at, 2, u"\r\n") == 0 ? 2 : 1;
    }
    size_t end = at;
    while (end < content_.size() && content_[end] != u'\n' && content_[end] != u'\r')
        ++end;
    return std::min(end, at + static_cast<size_t>(std::max(p.column, 0)));
}

void open_script::apply_change(const std::optional<text_range>& range, text_view new_text,
                               int version) {
    version_ = version;
    if (!range) {
        content_.assign(new_text);
        split();
        jumps_.reset(lines_);
        return;
    }
    // The jump memory compares the lines before the edit with those after it. It counts lines
    // as the runner does, which can differ from the protocol's count in a script that mixes
    // line ends.
    text before = content_;
    std::vector<text_view> lines_before = split_lines(before);
    size_t from = offset_of(range->start);
    size_t to = std::max(from, offset_of(range->end));
    content_.replace(from, to - from, new_text);
    split();
    text_position first = place_of(lines_before, before.data(), from);
    text_position last = place_of(lines_before, before.data(), to);
    jumps_.follow_edit(lines_before, first.line, first.column, last.line, last.column, new_text,
                       lines_);
}

} // namespace tovl::lsp
