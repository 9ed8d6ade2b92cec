// Decoding a line by its keyword's row: variables, operator, numbers and text column.
#include "interp/decoded_line.h"

#include "interp/numbers.h"
#include "interp/operand_layout.h"

#include <cmath>

namespace tovl {

namespace {

// A number read strictly and rounded to the 16-bit integers, or nothing when that would fail.
bool int16_number(text_view written, int16_t& out) {
    parsed_number number = parse_strict_number(written);
    if (!number.ok()) return false;
    double rounded = std::nearbyint(number.number);
    if (!(rounded >= INT16_MIN && rounded <= INT16_MAX)) return false;
    out = static_cast<int16_t>(rounded);
    return true;
}

// The variable that a field names, or nothing when reading it would fail.
bool field_slot(const variable_table& variables, text_view written, int16_t& slot) {
    // Digits alone, the usual field, read as the strict parse would read them.
    int digits = 0;
    bool all_digits = !written.empty();
    for (char16_t c : written) {
        if (c < u'0' || c > u'9') {
            all_digits = false;
            break;
        }
        digits = digits * 10 + (c - u'0');
    }
    if (!all_digits) {
        // Any other number in the table's range rounds to a slot the same way.
        parsed_number number = parse_strict_number(written);
        if (!number.ok() || !(std::fabs(number.number) < 1e9)) return false;
        digits = static_cast<int>(std::nearbyint(number.number));
    }
    if (!variables.is_slot(digits)) return false;
    slot = static_cast<int16_t>(digits);
    return true;
}

} // namespace

decoded_line decode_line(text_view line, const variable_table& variables) {
    decoded_line decoded;
    std::optional<keyword> found = find_keyword(line);
    if (!found) {
        decoded.form = line_form::no_command;
        return decoded;
    }
    const keyword_row& row = row_of(*found);
    decoded.form = form_of(*found);
    if (row.reads_fields() && !variables.has_layout()) {
        // The file commands report this failure like any other; the rest fail at once.
        if (!row.has(trait::reports_failures)) decoded.form = line_form::needs_layout;
        return decoded;
    }
    const int width = variables.field_width();
    bool complete = true;
    for (size_t i = 0; i < row.operands.size(); ++i) {
        const int field = static_cast<int>(i) + 1;
        switch (row.operands[i]) {
        case 'r':
        case 'w':
            complete &= field_slot(variables, field_text(line, width, field), decoded.slots[i]);
            break;
        case 'n': complete &= int16_number(field_text(line, width, field), decoded.number); break;
        case 'o': decoded.op = operator_at(line, width, field); break;
        case 't': decoded.column = static_cast<uint16_t>(field_column(width, field)); break;
        case 'N': complete &= int16_number(after_keyword(line), decoded.number); break;
        case 'L': {
            parsed_number target = parse_strict_number(after_keyword(line));
            std::optional<int16_t> counter;
            if (target.ok()) counter = jump_counter(target.number);
            if (counter) decoded.number = *counter;
            complete &= counter.has_value();
            break;
        }
        default: break;
        }
    }
    decoded.complete = complete;
    return decoded;
}

} // namespace tovl
