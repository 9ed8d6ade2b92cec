// A script's powers: every line whose keyword row has a power, and its operand where the text
// of the script fixes it.
#include "check/script_powers.h"

#include "check/check_words.h"
#include "check/layout_flow.h"
#include "interp/numbers.h"
#include "interp/operand_layout.h"
#include "interp/script_text.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace tovl {

namespace {

class power_reader {
  public:
    explicit power_reader(text_view script) : lines_(split_lines(script)) {
        for (text_view line : lines_)
            keywords_.push_back(find_keyword(line));
        read_ = layouts_to_read(find_reaching_layouts(lines_, keywords_), keywords_);
        for (size_t i = 0; i < lines_.size(); ++i)
            note_writes(i);
    }

    std::vector<power_use> find() const;

  private:
    bool is(size_t index, keyword k) const { return keywords_[index] == k; }
    std::vector<int> widths_at(size_t index) const;
    std::optional<long long> variable(size_t index, int width, int field) const;
    std::optional<text> operand(size_t index, int width) const;
    void note_writes(size_t index);

    std::vector<text_view> lines_;
    line_keywords keywords_;
    reaching_layouts read_; // the layouts each line's fields are read under
    // The lines that write each variable, as (field width, number).
    std::map<std::pair<int, long long>, std::vector<size_t>> writers_;
};

// The widths of the layouts a line's fields are read under (layouts_to_read).
std::vector<int> power_reader::widths_at(size_t index) const {
    std::vector<int> widths;
    for (int origin : read_[index]) {
        if (origin == no_layout) continue;
        if (std::optional<int16_t> size = fnumv_size(lines_[origin])) {
            int width = field_width_for(*size);
            if (std::find(widths.begin(), widths.end(), width) == widths.end())
                widths.push_back(width);
        }
    }
    return widths;
}

std::optional<long long> power_reader::variable(size_t index, int width, int field) const {
    parsed_number n = parse_strict_number(field_text(lines_[index], width, field));
    if (!n.ok() || n.number != std::floor(n.number)) return std::nullopt;
    return static_cast<long long>(n.number);
}

void power_reader::note_writes(size_t index) {
    if (!keywords_[index]) return;
    int field = row_of(*keywords_[index]).field_of('w');
    if (field == 0) return;
    for (int width : widths_at(index)) {
        if (std::optional<long long> v = variable(index, width, field))
            writers_[{width, *v}].push_back(index);
    }
}

// The operand of a power line under one width: a number written in the field, or the text of
// the one fsetv above the line that sets the variable, with no other writer and no new table
// between them.
std::optional<text> power_reader::operand(size_t index, int width) const {
    const keyword_row& row = row_of(*keywords_[index]);
    int field = static_cast<int>(row.operands.size());
    if (row.operands.back() == 'n') return text(trimmed(field_text(lines_[index], width, field)));
    std::optional<long long> v = variable(index, width, field);
    if (!v) return std::nullopt;
    auto found = writers_.find({width, *v});
    if (found == writers_.end() || found->second.size() != 1) return std::nullopt;
    size_t set = found->second.front();
    if (set >= index || !is(set, keyword::fsetv)) return std::nullopt;
    for (size_t i = set + 1; i < index; ++i) {
        if (is(i, keyword::fnumv)) return std::nullopt;
    }
    return text(field_rest(lines_[set], width, row_of(keyword::fsetv).field_of('t')));
}

std::vector<power_use> power_reader::find() const {
    std::vector<power_use> found;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (!keywords_[i] || row_of(*keywords_[i]).power == script_power::none) continue;
        power_use use{row_of(*keywords_[i]).power, static_cast<int>(i) + 1, std::nullopt};
        std::vector<int> widths = widths_at(i);
        for (size_t w = 0; w < widths.size(); ++w) {
            std::optional<text> said = operand(i, widths[w]);
            if (w == 0) use.operand = said;
            if (said != use.operand) use.operand.reset();
        }
        found.push_back(std::move(use));
    }
    return found;
}

} // namespace

std::vector<power_use> find_powers(text_view script) {
    return power_reader(script).find();
}

text power_use_words(const power_use& use) {
    return u"line " + number_text(use.line) + u": " + text(power_words(use.power)) + u": " +
           (use.operand ? quoted(*use.operand) : text(u"computed at run time"));
}

} // namespace tovl
