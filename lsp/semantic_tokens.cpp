// Semantic tokens of a script: its lines as the runner splits them, coloured by the protocol's
// standard token types, so that an editor colours them without any setting of its own:
//
//   keyword   the keyword in columns 1 to 5
//   variable  a field that names a variable (modifier "modification" when the command writes it)
//   operator  the operator column
//   number    a number written in the line: the target of "fgoto", N of "fnumv", the seconds
//             of "sshdn"
//   string    the text operand, from its field to the end of the line
//   comment   a comment line; also, with the modifier "ignored", a line that does nothing and
//             the text a command ignores after its operands, which the editor then shows as
//             inert as a comment
//
// and two modifiers of this server's own, for editors or themes that style them:
//
//   notNumber     a field that must be a number (a variable, a line, a count) and is none
//   otherLayouts  a field of a line that layouts of other widths can also reach, so that it is
//                 split by one of them (script_outline.h says which) and may read otherwise
#include "lsp/semantic_tokens.h"

#include "lsp/script_outline.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tovl::lsp {

namespace {

// The legend, and the places of its types and bits of its modifiers, in the same order.
constexpr std::array token_type_names{"keyword", "variable", "operator",
                                      "number",  "string",   "comment"};
constexpr std::array token_modifier_names{"modification", "notNumber", "otherLayouts", "ignored"};
enum token_type : uint8_t {
    keyword_token,
    variable_token,
    operator_token,
    number_token,
    string_token,
    comment_token
};
enum token_modifier : uint8_t {
    modification = 1 << 0,
    not_number = 1 << 1,
    other_layouts = 1 << 2,
    ignored = 1 << 3,
};

token_type type_of(char code) {
    switch (code) {
    case 'r':
    case 'w': return variable_token;
    case 'o': return operator_token;
    case 't': return string_token;
    default: return number_token; // n, L, N
    }
}

// The protocol's relative encoding: each token is five numbers, its line and start relative to
// the token before it, its length, type and modifiers.
class token_writer {
  public:
    void add(int line, int column, int length, token_type type, unsigned modifiers) {
        if (length <= 0) return;
        int start = line == line_ ? column - column_ : column;
        data_.insert(data_.end(), {line - line_, start, length, static_cast<int>(type),
                                   static_cast<int>(modifiers)});
        line_ = line;
        column_ = column;
    }
    json take() { return {{"data", std::move(data_)}}; }

  private:
    std::vector<int> data_;
    int line_ = 0;
    int column_ = 0;
};

void add_command(token_writer& tokens, const script_outline& outline, int index) {
    tokens.add(index, 0, first_field_column - 1, keyword_token, 0);
    line_fields split = outline.fields(index);
    bool others = row_of(*outline.keyword_at(index)).reads_fields() && !split.layout.others.empty();
    for (const field_span& f : split.fields) {
        unsigned modifiers = (f.code == 'w' ? modification : 0) | (f.not_number ? not_number : 0) |
                             (others ? other_layouts : 0);
        tokens.add(index, f.column, f.length, type_of(f.code), modifiers);
    }
    int length = static_cast<int>(outline.line(index).size());
    tokens.add(index, split.ignored_from, length - split.ignored_from, comment_token, ignored);
}

} // namespace

json semantic_token_legend() {
    return {{"tokenTypes", token_type_names}, {"tokenModifiers", token_modifier_names}};
}

json semantic_tokens(const open_script& script, const std::optional<text_range>& lines) {
    script_outline outline(script.lines());
    token_writer tokens;
    int first_line = lines ? std::max(lines->start.line, 0) : 0;
    int last_line =
        lines ? std::min(lines->end.line, outline.line_count() - 1) : outline.line_count() - 1;
    for (int i = first_line; i <= last_line; ++i) {
        text_view line = outline.line(i);
        auto first = static_cast<int>(line.find_first_not_of(u" \t"));
        auto rest = static_cast<int>(line.size()) - first;
        switch (outline.kind(i)) {
        case line_kind::blank: break;
        case line_kind::comment: tokens.add(i, first, rest, comment_token, 0); break;
        case line_kind::ignored: tokens.add(i, first, rest, comment_token, ignored); break;
        case line_kind::command: add_command(tokens, outline, i); break;
        }
    }
    return tokens.take();
}

} // namespace tovl::lsp
