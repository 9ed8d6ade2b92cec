// Decoding a line into its direct form: keyword, slots, operator and jump target.
#include "interp/decoded_line.h"

#include "interp/numbers.h"
#include "interp/value.h"

#include <cmath>

namespace tovl {

namespace {

// The slot that field `field` names, or nothing when reading it would fail.
bool field_slot(const variable_table& variables, text_view line, int field, int16_t& slot) {
    text_view written = variables.field_text(line, field);
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
    if (all_digits) {
        if (!variables.is_slot(digits)) return false;
        slot = static_cast<int16_t>(digits);
        return true;
    }
    parsed_number number = parse_strict_number(written);
    if (!number.ok() || !(std::fabs(number.number) < 1e9)) return false; // rounds to an int32
    int32_t index = round_to_int32(number.number);
    if (!variables.is_slot(index)) return false;
    slot = static_cast<int16_t>(index);
    return true;
}

bool all_slots(decoded_line& d, const variable_table& variables, text_view line, int count) {
    for (int field = 1; field <= count; ++field) {
        if (!field_slot(variables, line, field, d.slots[field - 1])) return false;
    }
    return true;
}

// The first character of a field, as the handlers read an operator; 0 past the line's end.
char16_t operator_at(const variable_table& variables, text_view line, int field) {
    text_view column = column_slice(line, static_cast<size_t>(variables.field_column(field)), 1);
    return column.empty() ? u'\0' : column[0];
}

// The form of a keyword line under a layout, filling in its slots and jump target.
line_form form_of(keyword k, decoded_line& d, text_view line, const variable_table& variables) {
    switch (k) {
    case keyword::endif: return line_form::end_block;
    case keyword::fnewl: return line_form::new_line;
    default: break;
    }
    if (!variables.has_layout()) return line_form::handler;
    switch (k) {
    case keyword::fmath:
        // The handler checks every field as a 32-bit float first: a field that fits a slot
        // number always passes.
        if (operator_at(variables, line, 4) == u'+' && all_slots(d, variables, line, 3)) {
            return line_form::add;
        }
        return line_form::handler;
    case keyword::fifvr: {
        char16_t op = operator_at(variables, line, 3);
        if (op == u'>' && all_slots(d, variables, line, 2)) return line_form::greater;
        if (op == u'=' && all_slots(d, variables, line, 2)) return line_form::same_text;
        return line_form::handler;
    }
    case keyword::fcopy:
        return all_slots(d, variables, line, 2) ? line_form::copy : line_form::handler;
    case keyword::fsetv:
        if (!all_slots(d, variables, line, 1)) return line_form::handler;
        d.column = static_cast<uint16_t>(variables.field_column(2));
        return line_form::set_text;
    case keyword::fprnt:
        return all_slots(d, variables, line, 1) ? line_form::print : line_form::handler;
    case keyword::fgoto: {
        parsed_number target = parse_strict_number(variables.field_rest(line, 1));
        if (!target.ok()) return line_form::handler;
        double counter = jump_counter(target.number);
        if (!(counter > -32768.5 && counter < 32767.5)) return line_form::handler;
        d.jump = round_to_int16(counter);
        return line_form::jump;
    }
    default: return line_form::handler;
    }
}

} // namespace

void decode_line(decoded_line& decoded, text_view line, const variable_table& variables) {
    std::optional<keyword> found = find_keyword(line);
    if (!found) {
        decoded.form = line_form::no_command;
        return;
    }
    decoded.keyword_index = static_cast<uint8_t>(*found);
    decoded.form = form_of(*found, decoded, line, variables);
}

} // namespace tovl
