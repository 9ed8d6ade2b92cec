// Operand fields read once per line and layout.
#include "interp/operands.h"

namespace tovl {

operands::operands(variable_table& variables, text_view line, field_cache* cache)
    : variables_(variables), line_(line), cache_(cache) {
    if (!variables.has_layout()) variable_table::raise_no_layout();
    if (cache && cache->layout != variables.layout_version()) {
        *cache = field_cache();
        cache->layout = variables.layout_version();
    }
}

char16_t operands::operator_at(int field) {
    if (cache_ && cache_->operator_read) return cache_->operator_char;
    text_view column = column_slice(line_, static_cast<size_t>(variables_.field_column(field)), 1);
    char16_t c = column.empty() ? u'\0' : column[0];
    if (cache_) {
        cache_->operator_char = c;
        cache_->operator_read = true;
    }
    return c;
}

parsed_number operands::parsed(int field) {
    if (!cache_) return parse_strict_number(text(field));
    field_cache::entry& e = cache_->fields[field - 1];
    if (!e.read) {
        e.parsed = parse_strict_number(text(field));
        e.read = true;
    }
    return e.parsed;
}

void operands::raise_field_error(int field, error_kind kind) const {
    tovl::text cause = u"field " + value_text(value::from_int16(static_cast<int16_t>(field))) +
                       u" is \"" + tovl::text(text(field)) + u"\", ";
    cause += kind == error_kind::type_mismatch ? u"not a number: " : u"a number out of range: ";
    cause += variables_.layout_note();
    throw run_error(kind).because(std::move(cause));
}

value& operands::find_slot(int field) {
    if (!variables_.has_slots()) variables_.raise_outside(0);
    int32_t index = round_to_int32(number(field));
    value& found = variables_.slot(index);
    if (cache_) cache_->fields[field - 1].slot = index;
    return found;
}

} // namespace tovl
