// Operand fields against a layout, read as the command handlers read them, and the line as it
// should be written when another reading of it fits the layout.
#include "interp/operand_check.h"
#include "interp/check_words.h"

#include "interp/layout_flow.h"
#include "interp/numbers.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

namespace tovl {

namespace {

// What each operand of a keyword is, field by field, as the checks below take it: 'v' a
// variable number, 'n' a number that stands for itself, 't' the text from the field to the end of
// the line, '=' the test of fifvr, '+' the operator of fmath; made from the keyword's row.
// Operands read from column 6 to the end of the line (fnumv, fgoto) are checked on their own.
std::string operand_shape(keyword k) {
    const keyword_row& row = row_of(k);
    std::string shape;
    for (char code : row.operands) {
        switch (code) {
        case 'r':
        case 'w': shape += 'v'; break;
        case 'o': shape += row.has(trait::tests) ? '=' : '+'; break;
        case 'n':
        case 't': shape += code; break;
        default: return {};
        }
    }
    return shape;
}

bool is_operator_code(char code) {
    return code == '=' || code == '+';
}

bool is_operator(char code, char16_t c) {
    text_view valid = code == '=' ? u"=>" : u"+-*/";
    return c != 0 && valid.find(c) != text_view::npos;
}

bool is_digit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

text width_words(int width) {
    return width == 1 ? text(u"1 column") : number_text(width) + u" columns";
}

// The part of `s` from 0-based `start`, at most `length` long; empty past its end.
text_view piece(text_view s, size_t start, size_t length = text_view::npos) {
    return start >= s.size() ? text_view() : s.substr(start, length);
}

text_view trimmed(text_view s, text_view blanks = u" ") {
    size_t first = s.find_first_not_of(blanks);
    if (first == text_view::npos) return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

enum class fault { none, missing, blank_inside, not_a_number, too_large, outside };

struct field_result {
    fault what = fault::none;
    double number = 0;
};

// A field as its handler reads it: strictly as a number, blanks around it allowed, then rounded
// to a variable number in the table (code 'v') or to a 16-bit delay (code 'n'). Unless
// `slot_used`, the number is only read, as a 32-bit float (fmath with an operator that does
// nothing).
field_result check_field(text_view field, char code, int16_t size, bool slot_used) {
    text_view inner = trimmed(field);
    if (inner.empty()) return {fault::missing};
    parsed_number parsed = parse_strict_number(field);
    if (!parsed.ok()) {
        if (parsed.error == error_kind::overflow) return {fault::too_large};
        return {inner.find(u' ') == text_view::npos ? fault::not_a_number : fault::blank_inside};
    }
    double r = std::nearbyint(parsed.number);
    double limit = code == 'n' ? 32767.0 : slot_used ? 2147483647.0 : 3.4028234663852886e38;
    if (std::fabs(r) > limit) return {fault::too_large, r};
    if (code == 'v' && slot_used && (r < 0 || r > size)) return {fault::outside, r};
    return {fault::none, r};
}

error_kind error_of(fault what) {
    if (what == fault::too_large) return error_kind::overflow;
    if (what == fault::outside) return error_kind::subscript_out_of_range;
    return error_kind::type_mismatch;
}

// The operands as one way of reading the line takes them: one text for each code of its operand
// shape.
using reading = std::vector<text_view>;

reading read_columns(text_view operands, std::string_view shape, int width) {
    reading fields;
    for (size_t k = 0; k < shape.size(); ++k) {
        size_t length = shape[k] == 't'              ? text_view::npos
                        : is_operator_code(shape[k]) ? 1
                                                     : static_cast<size_t>(width);
        fields.push_back(piece(operands, k * width, length));
    }
    return fields;
}

// The operands as someone reads them who separates the fields with blanks; one blank parts
// fsetv's text from its field.
std::optional<reading> read_words(text_view operands, std::string_view shape) {
    reading fields;
    size_t at = 0;
    for (char code : shape) {
        if (code == 't') {
            if (at < operands.size()) ++at;
            fields.push_back(piece(operands, at));
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
std::optional<text> written_with(keyword k, std::string_view shape, const reading& fields,
                                 int16_t size, int width) {
    text out(keyword_name(k));
    for (size_t i = 0; i < shape.size(); ++i) {
        text_view field = fields[i];
        if (shape[i] == 't') {
            out += field;
            continue;
        }
        if (is_operator_code(shape[i])) {
            if (field.size() != 1 || !is_operator(shape[i], field[0])) return std::nullopt;
            out += field;
            continue;
        }
        parsed_number n = parse_strict_number(field);
        double limit = shape[i] == 'v' ? size : 32767;
        if (trimmed(field).empty() || !n.ok() || n.number != std::nearbyint(n.number) ||
            n.number < 0 || n.number > limit)
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
// operand character but fsetv's text: one that leaves some over is no better than the line.
std::optional<text> fitting_line(text_view line, keyword k, std::string_view shape, int16_t size,
                                 bool wider_only) {
    int width = field_width_for(size);
    text_view operands = piece(line, 5);
    bool free_text = shape.back() == 't';
    if (!free_text) {
        operands = operands.substr(0, operands.find(u'\''));
        operands = operands.substr(0, operands.find_last_not_of(u" \t") + 1);
    }
    std::vector<reading> readings;
    auto read_in = [&](int other) {
        size_t fields = shape.size();
        size_t taken = is_operator_code(shape.back()) ? (fields - 1) * other + 1 : fields * other;
        if (free_text || operands.size() <= taken)
            readings.push_back(read_columns(operands, shape, other));
    };
    if (!wider_only) {
        if (operands.size() < piece(line, 5).size()) read_in(width);
        if (operands.find_first_of(u" \t") != text_view::npos) {
            if (std::optional<reading> words = read_words(operands, shape))
                readings.push_back(*words);
        }
    }
    for (int step = 1; step < 5; ++step) {
        for (int other : {width - step, width + step}) {
            if (other >= 1 && other <= 5 && (!wider_only || other > width)) read_in(other);
        }
    }
    for (const reading& fields : readings) {
        if (std::optional<text> fixed = written_with(k, shape, fields, size, width)) return fixed;
    }
    return std::nullopt;
}

text write_words(const std::optional<text>& fixed) {
    return fixed ? u": write " + *fixed : text();
}

// Where a finding is, and what is wrong: the line's text, its keyword and the layout.
struct line_under_layout {
    text_view line;
    keyword k;
    std::string_view shape;
    const layout_in_force& layout;
    int width;
    text where; // the width in force and the fnumv that set it
};

text field_message(const line_under_layout& at, size_t index, text_view field, field_result f) {
    text message = u"field " + number_text(static_cast<long long>(index) + 1);
    text made_by = text(at.layout.written) + u" at line " + number_text(at.layout.line);
    switch (f.what) {
    case fault::none: break;
    case fault::missing:
        message += field.empty() ? u" is missing: the line ends before column " +
                                       number_text(6 + static_cast<long long>(index) * at.width)
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
    if (f.what == fault::outside) {
        message += u": use a variable from 0 to " + number_text(at.layout.size);
        if (f.number > 0 && f.number <= 32767)
            message +=
                u", or raise N of " + made_by + u" to " + number_text(static_cast<int>(f.number));
        return message;
    }
    bool comment = field.find(u'\'') != text_view::npos;
    message += u"; " + at.where;
    if (f.what == fault::blank_inside && !comment)
        message += u", and fields follow each other without blanks";
    if (f.what != fault::too_large)
        message += write_words(fitting_line(at.line, at.k, at.shape, at.layout.size, false));
    if (comment) message += u", and put comments on lines of their own";
    return message;
}

// An operator that is not one: fifvr then tests nothing, fmath computes nothing.
line_finding operator_finding(const line_under_layout& at, size_t index, const reading& fields) {
    int column = 6 + static_cast<int>(index) * at.width;
    bool test = at.k == keyword::fifvr;
    char16_t op = fields[index].empty() ? u'\0' : fields[index][0];
    text message = op == 0 ? u"there is no operator in column " + number_text(column)
                           : u"operator " + quoted(fields[index]) + u" is not " +
                                 (test ? u"= or >" : u"+ - * or /");
    message += test ? u", so the line tests nothing: it never starts a skip, and the lines after "
                      u"it run as if the test held"
                    : u", so the line does nothing (it only reads fields 1 to 3 as numbers)";
    reading changed = fields;
    text_view replacement;
    if (test && op == u'<') {
        std::swap(changed[0], changed[1]);
        replacement = u">";
    } else if (!test && (op == u'x' || op == u'X' || op == u'\u00D7')) {
        replacement = u"*";
    } else if (!test && (op == u':' || op == u'\u00F7')) {
        replacement = u"/";
    }
    changed[index] = replacement;
    std::optional<text> fixed = written_with(at.k, at.shape, changed, at.layout.size, at.width);
    if (!replacement.empty() && fixed) {
        message += (test ? u": for a < b swap the variables" : u"") + write_words(fixed);
    } else if (op == 0 || op == u' ' || is_digit(op)) {
        message += u"; " + at.where +
                   write_words(fitting_line(at.line, at.k, at.shape, at.layout.size, false));
    } else {
        message += test ? u": write = or >" : u": write + - * or /";
    }
    return {column, check_level::error, message};
}

// Text after the last field: ignored by the handler, which is a trap when it is meant as a
// comment, or when its digits were meant to belong to a wider field.
void check_tail(const line_under_layout& at, size_t tail_start, bool digits_matter,
                std::vector<line_finding>& out) {
    text_view operands = piece(at.line, 5);
    text_view tail = piece(operands, tail_start);
    text_view before = trimmed(at.line.substr(0, 5 + std::min(tail_start, operands.size())));
    size_t quote = tail.find_first_not_of(u" \t");
    if (quote != text_view::npos && tail[quote] == u'\'') {
        out.push_back({6 + static_cast<int>(tail_start + quote), check_level::warning,
                       quoted(trimmed(tail, u" \t")) + u" after " + text(before) +
                           u" is ignored text, not a comment: it does no harm only while the "
                           u"fields end before it; put comments on lines of their own"});
    } else if (digits_matter && !tail.empty() && is_digit(tail[0])) {
        std::optional<text> fixed = fitting_line(at.line, at.k, at.shape, at.layout.size, true);
        out.push_back(
            {6 + static_cast<int>(tail_start), check_level::warning,
             quoted(trimmed(tail, u" \t")) + u" after the operands is ignored: " + at.where +
                 u", so the line reads as " + text(before) +
                 (fixed ? u"; if the fields were meant wider, write " + *fixed : text())});
    }
}

// fsetv's text is free, but two things in it are likely slips. A field of nothing but zeros
// followed by a digit: zeros pad a number to the width of its field, so these pad one that
// only a wider field would hold, and the digit was meant to end it (fsetv01Hello under
// fnumv9). And a quote mark after a blank, which starts what was meant as a comment and
// becomes part of the text.
void check_set_text(const line_under_layout& at, const reading& fields, double slot,
                    std::vector<line_finding>& out) {
    text_view field = fields[0];
    text_view value = fields[1];
    bool zeros = field.size() == static_cast<size_t>(at.width) &&
                 field.find_first_not_of(u'0') == text_view::npos;
    if (zeros && !value.empty() && is_digit(value[0])) {
        std::optional<text> fixed = fitting_line(at.line, at.k, at.shape, at.layout.size, true);
        out.push_back(
            {6, check_level::warning,
             u"variable 0 gets the text " + quoted(value) + u": " + at.where + u", so field 1 is " +
                 quoted(field) +
                 (fixed ? u"; if the fields were meant wider, write " + *fixed : text())});
    }
    for (size_t quote = value.find(u'\''); quote != text_view::npos;
         quote = value.find(u'\'', quote + 1)) {
        bool after_blank = quote > 0 && (value[quote - 1] == u' ' || value[quote - 1] == u'\t');
        bool opens = quote + 1 == value.size() || value[quote + 1] == u' ';
        if (!after_blank || !opens) continue;
        out.push_back({6 + at.width + static_cast<int>(quote), check_level::warning,
                       u"the text runs to the end of the line, so variable " +
                           number_text(static_cast<long long>(slot)) + u" gets " + quoted(value) +
                           u", comment and all; put the comment on a line of its own"});
        return;
    }
}

void check_under(const line_under_layout& at, std::vector<line_finding>& out) {
    reading fields = read_columns(piece(at.line, 5), at.shape, at.width);
    size_t op_index = at.shape.find_first_of("=+");
    bool has_op = op_index != std::string_view::npos;
    bool op_works = !has_op || (fields[op_index].size() == 1 &&
                                is_operator(at.shape[op_index], fields[op_index][0]));
    // fifvr reads its operator first, and nothing more when it does nothing; fmath reads its
    // fields as numbers first, and its variables only for an operator that works.
    if (at.k == keyword::fifvr && !op_works) {
        out.push_back(operator_finding(at, op_index, fields));
        return;
    }
    double first_slot = 0;
    for (size_t i = 0; i < at.shape.size(); ++i) {
        if (at.shape[i] != 'v' && at.shape[i] != 'n') continue;
        field_result f = check_field(fields[i], at.shape[i], at.layout.size, op_works);
        if (i == 0) first_slot = f.number;
        if (f.what == fault::none) continue;
        out.push_back({6 + static_cast<int>(i) * at.width, check_level::error,
                       field_message(at, i, fields[i], f)});
        return;
    }
    if (!op_works) {
        out.push_back(operator_finding(at, op_index, fields));
    } else if (at.shape.back() == 't') {
        check_set_text(at, fields, first_slot, out);
    } else {
        size_t tail_start = has_op ? op_index * at.width + 1 : at.shape.size() * at.width;
        check_tail(at, tail_start, !has_op, out);
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

bool reads_operands(keyword k) {
    return row_of(k).reads_fields();
}

text failure_words(keyword k, error_kind kind) {
    text code = number_text(error_number(kind));
    text description = from_ascii(error_description(kind));
    if (row_of(k).has(trait::reports_failures))
        return u"the line reports \"" + code + u" " + description + u"\" and the run goes on";
    return u"the line fails with run-time error " + code + u" (" + description + u")";
}

std::vector<line_finding> check_operands(text_view line, keyword k,
                                         const std::vector<layout_in_force>& layouts) {
    std::vector<line_finding> found;
    std::string shape = operand_shape(k);
    if (shape.empty()) return found;
    for (size_t i = 0; i < layouts.size(); ++i) {
        check_under(
            {line, k, shape, layouts[i], field_width_for(layouts[i].size), where_words(layouts, i)},
            found);
    }
    return found;
}

} // namespace tovl
