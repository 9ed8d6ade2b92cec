// Operand fields against a layout, read as the command handlers read them, and the line as it
// should be written when another reading of it fits the layout. What each field is comes from
// the keyword's row: its operand codes, its operator characters and its traits.
#include "check/operand_check.h"

#include "check/check_words.h"
#include "interp/numbers.h"
#include "interp/operand_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace tovl {

namespace {

// A number field is read with the blanks around it, but not with tabs.
constexpr text_view field_blanks = u" ";

bool is_variable_code(char code) {
    return code == 'r' || code == 'w';
}

bool is_digit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

text width_words(int width) {
    return width == 1 ? text(u"1 column") : number_text(width) + u" columns";
}

// The row's operator characters in words: "= or >", "+ - * or /".
text operator_words(const keyword_row& row) {
    text words;
    for (size_t i = 0; i < row.operators.size(); ++i) {
        if (i > 0) words += i + 1 == row.operators.size() ? u" or " : u" ";
        words += row.operators[i];
    }
    return words;
}

bool is_row_operator(const keyword_row& row, text_view field) {
    return field.size() == 1 && row.operators.find(field[0]) != text_view::npos;
}

// The column right after the last fixed-width field, where ignored text would start.
int end_column(const keyword_row& row, int width) {
    int last = static_cast<int>(row.operands.size());
    return field_column(width, last) + (row.operands.back() == 'o' ? 1 : width);
}

enum class fault { none, missing, blank_inside, not_a_number, too_large, outside };

struct field_result {
    fault what = fault::none;
    double number = 0;
};

// A field as its handler reads it: strictly as a number, blanks around it allowed, then rounded
// to a variable number in the table (a variable code) or to a 16-bit number (code 'n'). Unless
// `slot_used`, the number is only read, as a 32-bit float (fmath with an operator that does
// nothing).
field_result check_field(text_view field, char code, int16_t size, bool slot_used) {
    text_view inner = trimmed(field, field_blanks);
    if (inner.empty()) return {fault::missing};
    parsed_number parsed = parse_strict_number(field);
    if (!parsed.ok()) {
        if (parsed.error == error_kind::overflow) return {fault::too_large};
        return {inner.find(u' ') == text_view::npos ? fault::not_a_number : fault::blank_inside};
    }
    double r = std::nearbyint(parsed.number);
    double limit = code == 'n' ? INT16_MAX : slot_used ? 2147483647.0 : 3.4028234663852886e38;
    if (std::fabs(r) > limit) return {fault::too_large, r};
    if (is_variable_code(code) && slot_used && (r < 0 || r > size)) return {fault::outside, r};
    return {fault::none, r};
}

error_kind error_of(fault what) {
    if (what == fault::too_large) return error_kind::overflow;
    if (what == fault::outside) return error_kind::subscript_out_of_range;
    return error_kind::type_mismatch;
}

// The operands as one way of reading the line takes them: one text for each operand of the row.
using reading = std::vector<text_view>;

// The fields of `line` as the handlers cut them when fields are `width` columns wide.
reading read_columns(text_view line, const keyword_row& row, int width) {
    reading fields;
    for (size_t i = 0; i < row.operands.size(); ++i) {
        int field = static_cast<int>(i) + 1;
        char code = row.operands[i];
        if (code == 't')
            fields.push_back(field_rest(line, width, field));
        else if (code == 'o')
            fields.push_back(
                column_slice(line, static_cast<size_t>(field_column(width, field)), 1));
        else
            fields.push_back(field_text(line, width, field));
    }
    return fields;
}

// The operands as someone reads them who separates the fields with blanks; one blank parts
// a text from the field before it.
std::optional<reading> read_words(text_view operands, const keyword_row& row) {
    reading fields;
    size_t at = 0;
    for (char code : row.operands) {
        if (code == 't') {
            if (at < operands.size()) ++at;
            fields.push_back(at >= operands.size() ? text_view() : operands.substr(at));
            return fields;
        }
        at = operands.find_first_not_of(u" \t", at);
        if (at == text_view::npos) return std::nullopt;
        size_t end = std::min(operands.find_first_of(u" \t", at), operands.size());
        fields.push_back(operands.substr(at, end - at));
        at = end;
    }
    if (operands.find_first_not_of(u" \t", at) != text_view::npos) return std::nullopt;
    return fields;
}

// The line written with the reading's numbers in fields of `width`, or nothing when one is not
// a whole number that fits the table and the field, or an operator does nothing.
std::optional<text> written_with(const keyword_row& row, const reading& fields, int16_t size,
                                 int width) {
    text out(row.name);
    for (size_t i = 0; i < row.operands.size(); ++i) {
        text_view field = fields[i];
        char code = row.operands[i];
        if (code == 't') {
            out += field;
            continue;
        }
        if (code == 'o') {
            if (!is_row_operator(row, field)) return std::nullopt;
            out += field;
            continue;
        }
        parsed_number n = parse_strict_number(field);
        double limit = is_variable_code(code) ? size : INT16_MAX;
        if (trimmed(field, field_blanks).empty() || !n.ok() ||
            n.number != std::nearbyint(n.number) || n.number < 0 || n.number > limit)
            return std::nullopt;
        std::string digits = std::to_string(static_cast<int>(n.number));
        if (digits.size() > static_cast<size_t>(width)) return std::nullopt;
        out.append(width - digits.size(), u'0');
        append_ascii(out, digits);
    }
    return out;
}

// The line as it should be written under the layout when the operands, read another way, fit
// it: without a comment after them, split at blanks, or in fields of another width (only wider
// ones with `wider_only`), nearest widths first. A reading in columns must take in every
// operand character but a free text: one that leaves some over is no better than the line.
std::optional<text> fitting_line(text_view line, const keyword_row& row, int16_t size,
                                 bool wider_only) {
    int width = field_width_for(size);
    text_view operands = after_keyword(line);
    bool free_text = row.operands.back() == 't';
    if (!free_text) {
        operands = operands.substr(0, operands.find(u'\''));
        operands = operands.substr(0, operands.find_last_not_of(u" \t") + 1);
    }
    // The line up to the end of those operands.
    text_view cut = line.substr(0, first_field_column - 1 + operands.size());
    std::vector<reading> readings;
    auto read_in = [&](int other) {
        if (free_text || static_cast<int>(cut.size()) < end_column(row, other))
            readings.push_back(read_columns(cut, row, other));
    };
    if (!wider_only) {
        if (cut.size() < line.size()) read_in(width);
        if (operands.find_first_of(u" \t") != text_view::npos) {
            if (std::optional<reading> words = read_words(operands, row))
                readings.push_back(*words);
        }
    }
    for (int step = 1; step < 5; ++step) {
        for (int other : {width - step, width + step}) {
            if (other >= 1 && other <= 5 && (!wider_only || other > width)) read_in(other);
        }
    }
    for (const reading& fields : readings) {
        if (std::optional<text> fixed = written_with(row, fields, size, width)) return fixed;
    }
    return std::nullopt;
}

// Ends the finding's message with the line to write instead, after `lead`, and keeps that line
// for the editors to offer; nothing when there is none.
void suggest(line_finding& finding, text_view lead, const std::optional<text>& fixed) {
    if (!fixed) return;
    finding.message.append(lead).append(*fixed);
    finding.suggested_line = fixed;
}

// Where a finding is, and what is wrong: the line's text, its keyword and the layout.
struct line_under_layout {
    text_view line;
    keyword k;
    const keyword_row& row;
    const layout_in_force& layout;
    int width;
    text where; // the width in force and the fnumv that set it
};

line_finding field_finding(const line_under_layout& at, size_t index, text_view field,
                           field_result f) {
    int field_number = static_cast<int>(index) + 1;
    text message = u"field " + number_text(field_number);
    text made_by = text(at.layout.written) + u" at line " + number_text(at.layout.line);
    switch (f.what) {
    case fault::none: break;
    case fault::missing:
        message += field.empty() ? u" is missing: the line ends before column " +
                                       number_text(field_column(at.width, field_number))
                                 : text(u" is blank");
        break;
    case fault::blank_inside:
    case fault::not_a_number:
        if (field.find(u'\'') != text_view::npos) {
            message += u" " + quoted(field) + u" takes in the comment after the operands";
            break;
        }
        message += u" " + quoted(field) +
                   (f.what == fault::blank_inside ? u" has a blank inside" : u" is not a number");
        break;
    case fault::too_large: message += u" " + quoted(field) + u" is too large"; break;
    case fault::outside:
        message = u"variable " + number_text(static_cast<long long>(f.number)) +
                  u" is outside the table 0.." + number_text(at.layout.size) + u" (" + made_by +
                  u")";
        break;
    }
    message += u", so " + failure_words(at.k, error_of(f.what));
    line_finding finding{field_column(at.width, field_number), check_level::error, {}};
    if (f.what == fault::outside) {
        message += u": use a variable from 0 to " + number_text(at.layout.size);
        if (f.number > 0 && f.number <= INT16_MAX)
            message +=
                u", or raise N of " + made_by + u" to " + number_text(static_cast<int>(f.number));
        finding.message = std::move(message);
        return finding;
    }
    bool comment = field.find(u'\'') != text_view::npos;
    message += u"; " + at.where;
    if (f.what == fault::blank_inside && !comment)
        message += u", and fields follow each other without blanks";
    finding.message = std::move(message);
    if (f.what != fault::too_large)
        suggest(finding, u": write ", fitting_line(at.line, at.row, at.layout.size, false));
    if (comment) finding.message += u", and put comments on lines of their own";
    return finding;
}

// Characters written for an operator that is not one, and the operator meant; `swaps` when the
// two compared fields change places with it (a < b is b > a).
struct look_alike {
    char16_t written;
    char16_t meant;
    bool swaps;
};
constexpr look_alike look_alikes[] = {
    {u'<', u'>', true},       {u'x', u'*', false}, {u'X', u'*', false},
    {u'\u00D7', u'*', false}, {u':', u'/', false}, {u'\u00F7', u'/', false},
};

// An operator that is not one of the row's: a test then tests nothing, a computation computes
// nothing.
line_finding operator_finding(const line_under_layout& at, size_t index, const reading& fields) {
    int column = field_column(at.width, static_cast<int>(index) + 1);
    bool test = at.row.has(trait::tests);
    char16_t op = fields[index].empty() ? u'\0' : fields[index][0];
    text message =
        op == 0 ? u"there is no operator in column " + number_text(column)
                : u"operator " + quoted(fields[index]) + u" is not " + operator_words(at.row);
    message += test ? u", so the line tests nothing: it never starts a skip, and the lines after "
                      u"it run as if the test held"
                    : u", so the line does nothing (it only reads fields 1 to " +
                          number_text(static_cast<long long>(index)) + u" as numbers)";
    reading changed = fields;
    text_view replacement;
    bool swaps = false;
    for (const look_alike& alike : look_alikes) {
        size_t meant = at.row.operators.find(alike.meant);
        if (alike.written != op || meant == text_view::npos) continue;
        replacement = at.row.operators.substr(meant, 1);
        swaps = alike.swaps;
        if (swaps) std::swap(changed[0], changed[1]);
        break;
    }
    changed[index] = replacement;
    std::optional<text> fixed = written_with(at.row, changed, at.layout.size, at.width);
    line_finding finding{column, check_level::error, std::move(message)};
    if (!replacement.empty() && fixed) {
        if (swaps) finding.message += u": for a < b swap the variables";
        suggest(finding, u": write ", fixed);
    } else if (op == 0 || op == u' ' || is_digit(op)) {
        finding.message += u"; " + at.where;
        suggest(finding, u": write ", fitting_line(at.line, at.row, at.layout.size, false));
    } else {
        finding.message += u": write " + operator_words(at.row);
    }
    return finding;
}

// Text from `tail_column` on, after the last field: ignored by the handler, which is a trap when
// it is meant as a comment, or when its digits were meant to belong to a wider field.
void check_tail(const line_under_layout& at, int tail_column, bool digits_matter,
                std::vector<line_finding>& out) {
    text_view tail = column_slice(at.line, static_cast<size_t>(tail_column), text_view::npos);
    text_view before =
        trimmed(at.line.substr(0, static_cast<size_t>(tail_column) - 1), field_blanks);
    size_t quote = tail.find_first_not_of(u" \t");
    if (quote != text_view::npos && tail[quote] == u'\'') {
        out.push_back({tail_column + static_cast<int>(quote), check_level::warning,
                       quoted(trimmed(tail)) + u" after " + text(before) +
                           u" is ignored text, not a comment: it does no harm only while the "
                           u"fields end before it; put comments on lines of their own"});
    } else if (digits_matter && !tail.empty() && is_digit(tail[0])) {
        line_finding finding{tail_column, check_level::warning,
                             quoted(trimmed(tail)) + u" after the operands is ignored: " +
                                 at.where + u", so the line reads as " + text(before)};
        suggest(finding, u"; if the fields were meant wider, write ",
                fitting_line(at.line, at.row, at.layout.size, true));
        out.push_back(std::move(finding));
    }
}

// A free text is free, but two things in it are likely slips. A variable field of nothing but
// zeros followed by a digit: zeros pad a number to the width of its field, so these pad one
// that only a wider field would hold, and the digit was meant to end it (fsetv01Hello under
// fnumv9). And a quote mark after a blank, which starts what was meant as a comment and
// becomes part of the text.
void check_free_text(const line_under_layout& at, const reading& fields, double slot,
                     std::vector<line_finding>& out) {
    int text_field = at.row.field_of('t');
    text_view field = fields[text_field - 2];
    text_view value = fields[text_field - 1];
    bool zeros = field.size() == static_cast<size_t>(at.width) &&
                 field.find_first_not_of(u'0') == text_view::npos;
    if (zeros && !value.empty() && is_digit(value[0])) {
        line_finding finding{field_column(at.width, text_field - 1), check_level::warning,
                             u"variable 0 gets the text " + quoted(value) + u": " + at.where +
                                 u", so field " + number_text(text_field - 1) + u" is " +
                                 quoted(field)};
        suggest(finding, u"; if the fields were meant wider, write ",
                fitting_line(at.line, at.row, at.layout.size, true));
        out.push_back(std::move(finding));
    }
    for (size_t quote = value.find(u'\''); quote != text_view::npos;
         quote = value.find(u'\'', quote + 1)) {
        bool after_blank = quote > 0 && (value[quote - 1] == u' ' || value[quote - 1] == u'\t');
        bool opens = quote + 1 == value.size() || value[quote + 1] == u' ';
        if (!after_blank || !opens) continue;
        out.push_back({field_column(at.width, text_field) + static_cast<int>(quote),
                       check_level::warning,
                       u"the text runs to the end of the line, so variable " +
                           number_text(static_cast<long long>(slot)) + u" gets " + quoted(value) +
                           u", comment and all; put the comment on a line of its own"});
        return;
    }
}

void check_under(const line_under_layout& at, std::vector<line_finding>& out) {
    const keyword_row& row = at.row;
    reading fields = read_columns(at.line, row, at.width);
    int op_field = row.field_of('o');
    bool op_works = op_field == 0 || is_row_operator(row, fields[op_field - 1]);
    // A test reads its operator first, and nothing more when it does nothing; a computation
    // reads its fields as numbers first, and its variables only for an operator that works.
    if (row.has(trait::tests) && !op_works) {
        out.push_back(operator_finding(at, op_field - 1, fields));
        return;
    }
    double first_slot = 0;
    for (size_t i = 0; i < row.operands.size(); ++i) {
        char code = row.operands[i];
        if (!is_variable_code(code) && code != 'n') continue;
        field_result f = check_field(fields[i], code, at.layout.size, op_works);
        if (i == 0) first_slot = f.number;
        if (f.what == fault::none) continue;
        out.push_back(field_finding(at, i, fields[i], f));
        return;
    }
    if (!op_works) {
        out.push_back(operator_finding(at, op_field - 1, fields));
    } else if (row.operands.back() == 't') {
        check_free_text(at, fields, first_slot, out);
    } else {
        check_tail(at, end_column(row, at.width), op_field == 0, out);
    }
}

text where_words(const std::vector<layout_in_force>& layouts, size_t own_index) {
    const layout_in_force& own = layouts[own_index];
    int width = field_width_for(own.size);
    std::vector<int> named{width};
    text others;
    for (const layout_in_force& other : layouts) {
        int other_width = field_width_for(other.size);
        if (std::find(named.begin(), named.end(), other_width) != named.end()) continue;
        named.push_back(other_width);
        others += u"; with " + text(other.written) + u" from line " + number_text(other.line) +
                  u", " + number_text(other_width);
    }
    if (others.empty()) {
        return u"fields are " + width_words(width) + u" wide here (" + text(own.written) +
               u" at line " + number_text(own.line) + u")";
    }
    return u"with " + text(own.written) + u" from line " + number_text(own.line) + u" fields are " +
           width_words(width) + u" wide here" + others;
}

} // namespace

std::vector<line_finding> check_operands(text_view line, keyword k,
                                         const std::vector<layout_in_force>& layouts) {
    std::vector<line_finding> found;
    const keyword_row& row = row_of(k);
    if (!row.reads_fields() || reads_rest_of_line(row)) return found;
    for (size_t i = 0; i < layouts.size(); ++i) {
        check_under(
            {line, k, row, layouts[i], field_width_for(layouts[i].size), where_words(layouts, i)},
            found);
    }
    return found;
}

} // namespace tovl
