// Hover on keywords, fields and jumps: the guide's words on a keyword, the variable and the
// layout of a field, the line a jump lands on.
#include "lsp/hover.h"

#include "lsp/keyword_help.h"
#include "lsp/script_outline.h"

#include "check/check_words.h"
#include "interp/numbers.h"
#include "interp/operand_layout.h"

#include <string>

namespace tovl::lsp {

namespace {

std::string code_span(text_view t) {
    return "`` " + utf8(t) + " ``";
}

std::string number(long long n) {
    return utf8(number_text(n));
}

std::string fnumv_at(const script_outline& outline, int origin) {
    return code_span(trimmed(outline.line(origin))) + " at line " + number(origin + 1);
}

std::string columns(int width) {
    return number(width) + (width == 1 ? " column" : " columns");
}

json hover(std::string markdown, int line, int column, int length) {
    return {{"contents", {{"kind", "markdown"}, {"value", std::move(markdown)}}},
            {"range", line_range_json(line, column, length)}};
}

std::string keyword_words(keyword k) {
    const keyword_help& help = help_of(k);
    std::string operands = help.operands.empty() ? "" : " " + std::string(help.operands);
    return "**" + std::string(help.name) + "**" + operands + " — " + std::string(help.does) +
           "\n\n" + std::string(help.synopsis) + "\n\n```tovl\n" + std::string(help.example) +
           "```";
}

// Where the line's fields come from: the layout, and what else can be in force there.
std::string layout_words(const script_outline& outline, const line_layout& layout) {
    std::string words;
    if (layout.width == 0) {
        words = "No `fnumv` that makes a table has run when this line runs, so its fields have "
                "no columns.";
    } else {
        words = "Fields " + columns(layout.width) + " wide; variables 0.." + number(layout.size) +
                ", as " + fnumv_at(outline, layout.origin) + " sets them.";
    }
    if (!layout.reached) {
        words += layout.width == 0 ? " No run reaches this line."
                                   : " No run reaches this line; it is read under the `fnumv` "
                                     "above it.";
    }
    for (int origin : layout.others) {
        int width = field_width_for(*outline.table_size(origin));
        words += "\n\nIt can also run under " + fnumv_at(outline, origin) + ", with fields " +
                 columns(width) + " wide.";
    }
    if (layout.before_any && layout.width != 0)
        words += "\n\nIt can also run before any `fnumv` has run, when its fields have no columns.";
    return words;
}

std::string jump_words(const script_outline& outline, const field_span& target, int index) {
    std::optional<int32_t> landing = outline.landing_line(index);
    if (target.not_number) return "The target is not a number.";
    if (!landing) return "The target is beyond the 16-bit line counter.";
    if (*landing <= 0) return "There is no line " + number(*landing) + ": lines count from 1.";
    if (*landing > outline.last_landing_line())
        return "Jumps past the last line, " + number(outline.last_landing_line()) +
               ": the run ends there.";
    return "Jumps to line " + number(*landing) + ":\n\n```tovl\n" +
           utf8(outline.line(*landing - 1)) + "\n```";
}

std::string field_words(const script_outline& outline, const line_fields& split,
                        const field_span& f, int index) {
    text_view written = outline.line(index).substr(f.column, f.length);
    const keyword_row& row = row_of(*outline.keyword_at(index));
    std::string words;
    switch (f.code) {
    case 'L': return jump_words(outline, f, index);
    case 'N': {
        std::optional<int16_t> size = outline.table_size(index);
        if (!size) return code_span(written) + " makes no table: the line fails.";
        return "Makes variables 0.." + number(*size) + ", all empty; fields are " +
               columns(field_width_for(*size)) + " wide after it.";
    }
    case 'o':
        words = "Operator " + code_span(written) +
                (row.operators.find(written[0]) == text_view::npos
                     ? ", none of " + code_span(row.operators) + ": the line does nothing."
                     : ".");
        break;
    case 't':
        words = "Text, from column " + number(f.column + 1) + " to the end of the line.";
        break;
    default: {
        parsed_number n = parse_strict_number(written);
        std::string value = n.ok() && is_whole(n.number, exact_limit(double_digits))
                                ? "**" + number(static_cast<long long>(n.number)) + "**"
                                : code_span(written);
        if (f.not_number)
            words = code_span(written) + " is not a number.";
        else if (f.code == 'n')
            words = "The number " + value + ", written in the line: no variable.";
        else
            words = "Variable " + value +
                    (f.code == 'w' ? ", which the command writes." : ", which the command reads.");
    }
    }
    return words + " Field " + number(f.field) + ".\n\n" + layout_words(outline, split.layout);
}

} // namespace

json hover_at(const open_script& script, text_position at) {
    if (at.line < 0 || at.line >= static_cast<int>(script.lines().size())) return nullptr;
    script_outline outline(script.lines());
    std::optional<keyword> k = outline.keyword_at(at.line);
    if (!k) return nullptr;
    const int keyword_end = first_field_column - 1;
    if (at.column < keyword_end) return hover(keyword_words(*k), at.line, 0, keyword_end);
    line_fields split = outline.fields(at.line);
    for (const field_span& f : split.fields) {
        if (at.column >= f.column && at.column < f.column + f.length)
            return hover(field_words(outline, split, f, at.line), at.line, f.column, f.length);
    }
    if (split.layout.width == 0 && row_of(*k).reads_fields()) {
        int length = static_cast<int>(outline.line(at.line).size()) - keyword_end;
        if (at.column < keyword_end + length)
            return hover(layout_words(outline, split.layout), at.line, keyword_end, length);
    }
    return nullptr;
}

} // namespace tovl::lsp
