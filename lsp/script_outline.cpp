// A script's lines as the runner reads them: keywords, layouts, fields and jumps.
#include "lsp/script_outline.h"

#include "interp/numbers.h"
#include "interp/operand_layout.h"

#include <algorithm>

namespace tovl::lsp {

script_outline::script_outline(const std::vector<text_view>& lines)
    : lines_(lines), last_landing_line_(tovl::last_landing_line(lines)) {
    keywords_.reserve(lines.size());
    for (text_view line : lines)
        keywords_.push_back(find_keyword(line));
    reaching_layouts reached = find_reaching_layouts(lines, keywords_);
    reached_.reserve(lines.size());
    fnumv_above_.reserve(lines.size());
    table_sizes_.reserve(lines.size());
    int above = no_layout;
    for (size_t i = 0; i < lines.size(); ++i) {
        reached_.push_back(!reached[i].empty());
        fnumv_above_.push_back(above);
        bool new_layout = keywords_[i] && row_of(*keywords_[i]).has(trait::new_layout);
        table_sizes_.push_back(new_layout ? fnumv_size(lines[i]) : std::nullopt);
        if (new_layout) above = static_cast<int>(i);
    }
    read_ = layouts_to_read(std::move(reached), keywords_);
}

line_kind script_outline::kind(int index) const {
    if (keywords_[index]) return line_kind::command;
    text_view line = lines_[index];
    size_t first = line.find_first_not_of(u" \t");
    if (first == text_view::npos) return line_kind::blank;
    return line[first] == u'\'' ? line_kind::comment : line_kind::ignored;
}

std::optional<int16_t> script_outline::table_size(int origin) const {
    return table_sizes_[origin];
}

line_layout script_outline::layout(int index) const {
    line_layout found;
    found.reached = reached_[index];
    std::vector<int> tables; // the layouts that make a table
    for (int origin : read_[index]) {
        if (origin == no_layout)
            found.before_any = true;
        else if (table_size(origin))
            tables.push_back(origin);
    }
    if (tables.empty()) return found;
    // Layouts of one size stand for one another (find_reaching_layouts), so the fnumv above
    // may stand for the one the flow found first.
    int above = fnumv_above_[index];
    std::optional<int16_t> above_size = above == no_layout ? std::nullopt : table_size(above);
    bool above_in_force = std::any_of(tables.begin(), tables.end(),
                                      [&](int origin) { return table_size(origin) == above_size; });
    if (above_size && above_in_force) {
        found.origin = above;
    } else {
        int nearest = no_layout;
        for (int origin : tables) {
            if (origin < index) nearest = std::max(nearest, origin);
        }
        found.origin = nearest != no_layout ? nearest : tables.front();
    }
    found.size = *table_size(found.origin);
    found.width = field_width_for(found.size);
    for (int origin : tables) {
        if (field_width_for(*table_size(origin)) != found.width) found.others.push_back(origin);
    }
    return found;
}

line_fields script_outline::fields(int index) const {
    text_view line = lines_[index];
    const int length = static_cast<int>(line.size());
    line_fields found{layout(index), {}, length};
    if (!keywords_[index]) return found;
    const keyword_row& row = row_of(*keywords_[index]);
    found.ignored_from = std::min(first_field_column - 1, length);
    const int width = found.layout.width;
    auto add = [&](char code, int field, int column, text_view written, bool number) {
        if (written.empty()) return;
        bool not_number = number && !parse_strict_number(written).ok();
        found.fields.push_back({code, field, column, static_cast<int>(written.size()), not_number});
        found.ignored_from = column + static_cast<int>(written.size());
    };
    for (size_t i = 0; i < row.operands.size(); ++i) {
        char code = row.operands[i];
        int field = static_cast<int>(i) + 1;
        if (code == 'L' || code == 'N') {
            add(code, field, first_field_column - 1, after_keyword(line), true);
            continue;
        }
        if (width == 0) {
            found.ignored_from = length; // no columns: nothing is known to be ignored
            break;
        }
        int column = field_column(width, field) - 1;
        if (code == 't')
            add(code, field, column, field_rest(line, width, field), false);
        else if (code == 'o') // one column, whatever the width
            add(code, field, column, column_slice(line, column + 1, 1), false);
        else
            add(code, field, column, field_text(line, width, field), true);
    }
    return found;
}

std::optional<int32_t> script_outline::landing_line(int index) const {
    if (!keywords_[index] || !row_of(*keywords_[index]).has(trait::jumps)) return std::nullopt;
    return jump_target(lines_[index]);
}

} // namespace tovl::lsp
