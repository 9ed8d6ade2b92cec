// The variable table and its operand field operations.
#include "interp/variable_table.h"

namespace tovl {

namespace {

const char16_t no_layout_cause[] =
    u"no fnumv has run yet, so operand fields have no columns: start the script with fnumvN, "
    u"N being the highest variable number it uses";

} // namespace

void variable_table::rebuild(int16_t n, int line) {
    ++layout_version_;
    field_width_ = field_width_for(n);
    layout_number_ = n;
    layout_line_ = line;
    if (n < 0) {
        slots_ = std::vector<value>();
        throw run_error(error_kind::subscript_out_of_range)
            .because(u"fnumv" + value_text(value::from_int16(n)) +
                     u" makes no table: the highest variable number is 0 or more");
    }
    // A new table, made before the old one is freed, so it never takes the old one's place.
    std::vector<value> fresh(static_cast<size_t>(n) + 1);
    slots_.swap(fresh);
}

void variable_table::raise_outside(double index) const {
    text cause;
    if (slots_.empty()) {
        cause = u"there are no variables: no table was made";
    } else {
        cause = u"variable " + value_text(value::from_double(index)) +
                u" is outside the table 0.." +
                value_text(value::from_double(static_cast<double>(slots_.size() - 1)));
    }
    cause += u" (fnumv" + value_text(value::from_int16(layout_number_)) + u" at line " +
             value_text(value::from_double(layout_line_ + 1)) + u")";
    throw run_error(error_kind::subscript_out_of_range).because(std::move(cause));
}

void variable_table::raise_no_layout() {
    throw run_error(error_kind::invalid_argument).because(text(no_layout_cause));
}

text variable_table::layout_note() const {
    text note = u"fields are " + value_text(value::from_int16(static_cast<int16_t>(field_width_)));
    note += field_width_ == 1 ? u" column wide here (fnumv" : u" columns wide here (fnumv";
    note += value_text(value::from_int16(layout_number_)) + u" at line " +
            value_text(value::from_double(layout_line_ + 1)) + u")";
    return note;
}

text_ref variable_table::field_text(text_ref line, int field) const {
    if (!has_layout()) raise_no_layout();
    return tovl::field_text(line, field_width_, field);
}

text_ref variable_table::field_rest(text_ref line, int field) const {
    if (!has_layout()) raise_no_layout();
    return tovl::field_rest(line, field_width_, field);
}

} // namespace tovl
