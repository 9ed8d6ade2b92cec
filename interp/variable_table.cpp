// The variable table and its operand field operations.
#include "interp/variable_table.h"

namespace tovl {

namespace {

int digit_count(int16_t n) {
    if (n < 10) return 1;
    if (n < 100) return 2;
    if (n < 1000) return 3;
    if (n < 10000) return 4;
    return 5;
}

} // namespace

void variable_table::rebuild(int16_t n) {
    ++layout_version_;
    field_width_ = digit_count(n);
    if (n < 0) {
        slots_ = std::vector<value>();
        throw run_error(error_kind::subscript_out_of_range);
    }
    // A new table, made before the old one is freed, so it never takes the old one's place.
    std::vector<value> fresh(static_cast<size_t>(n) + 1);
    slots_.swap(fresh);
}

text_view variable_table::field_text(text_view line, int field) const {
    if (!has_layout()) throw run_error(error_kind::invalid_argument);
    return column_slice(line, static_cast<size_t>(field_column(field)),
                        static_cast<size_t>(field_width_));
}

text_view variable_table::field_rest(text_view line, int field) const {
    if (!has_layout()) throw run_error(error_kind::invalid_argument);
    return column_slice(line, static_cast<size_t>(field_column(field)), line.size());
}

} // namespace tovl
