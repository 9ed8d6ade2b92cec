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

open_script::open_script(open_script&& other) noexcept(false)
    : uri_(std::move(other.uri_)), version_(other.version_), content_(std::move(other.content_)),
      jumps_(std::move(other.jumps_)) {
    split();
}

open_script& open_script::operator=(open_script&& other) noexcept(false) {
    uri_ = std::move(other.uri_);
    version_ = other.version_;
    content_ = std::move(other.content_);
    jumps_ = std::move(other.jumps_);
    split();
    return *this;
}

text_view open_script::line(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= lines_.size()) return {};
    return lines_[static_cast<size_t>(index)];
}

namespace {

bool is_line_end(char16_t c) {
    return c == u'\n' || c == u'\r';
}

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

void open_script::split() {
    lines_ = split_lines(content_);
    editor_line_starts_.assign(1, 0);
    for (size_t at = 0; at < content_.size(); ++at) {
        if (!is_line_end(content_[at])) continue;
        if (content_.compare(at, 2, u"\r\n") == 0) ++at;
        editor_line_starts_.push_back(at + 1);
    }
}

size_t open_script::offset_of(text_position p) const {
    size_t line = static_cast<size_t>(std::max(p.line, 0));
    if (line >= editor_line_starts_.size()) return content_.size();
    size_t at = editor_line_starts_[line];
    size_t end = at;
    while (end < content_.size() && !is_line_end(content_[end]))
        ++end;
    return std::min(end, at + static_cast<size_t>(std::max(p.column, 0)));
}

text_position open_script::editor_position(int line, int column) const {
    text_view held = this->line(line);
    if (held.data() == nullptr) return {line, column};
    size_t offset = static_cast<size_t>(held.data() - content_.data()) +
                    std::min(static_cast<size_t>(std::max(column, 0)), held.size());
    auto next = std::upper_bound(editor_line_starts_.begin(), editor_line_starts_.end(), offset);
    size_t start = *(next - 1);
    return {static_cast<int>(next - 1 - editor_line_starts_.begin()),
            static_cast<int>(offset - start)};
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
