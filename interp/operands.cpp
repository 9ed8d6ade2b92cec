// The error path of operand fields: the field's text read again, to raise the error it gives.
#include "interp/operands.h"

#include "interp/numbers.h"
#include "interp/value.h"

namespace tovl {

namespace {

[[noreturn]] void raise_field_error(const variable_table& variables, text_ref line, int field,
                                    error_kind kind) {
    text cause = u"field " + value_text(value::from_int16(static_cast<int16_t>(field))) +
                 u" is \"" + widened(variables.field_text(line, field)) + u"\", ";
    cause += kind == error_kind::type_mismatch ? u"not a number: " : u"a number out of range: ";
    cause += variables.layout_note();
    throw run_error(kind).because(std::move(cause));
}

} // namespace

double field_number(const variable_table& variables, text_ref line, int field) {
    parsed_number parsed = parse_strict_number(variables.field_text(line, field));
    if (!parsed.ok()) raise_field_error(variables, line, field, *parsed.error);
    return parsed.number;
}

void raise_slot_error(const variable_table& variables, text_ref line, int field) {
    if (!variables.has_layout()) variable_table::raise_no_layout();
    if (!variables.has_slots()) variables.raise_outside(0);
    int32_t index = round_to_int32(field_number(variables, line, field));
    variables.raise_outside(index);
}

} // namespace tovl
