// The operand fields of one command line, read through the line's cache.
#pragma once

#include "interp/numbers.h"
#include "interp/run_error.h"
#include "interp/text.h"
#include "interp/variable_table.h"

#include <cstdint>

namespace tovl {

// What reading a line's operand fields found, kept for the rest of the run: a line that runs
// again under the same operand layout reads no field text a second time. A number is cached
// together with the error its text gives, so a cached field fails exactly like a fresh one; a
// slot number is cached once it was found in the table, and only "fnumv" can change the table,
// which changes the layout version too.
struct field_cache {
    static constexpr int32_t no_slot = -1;
    struct entry {
        bool read = false;
        parsed_number parsed;
        int32_t slot = no_slot;
    };
    uint32_t layout = 0; // the layout version the entries belong to; 0 for none
    entry fields[4];
    bool operator_read = false;
    char16_t operator_char = 0;
};

// A handler's view of its line's fields. Construction fails with invalid argument before the
// first "fnumv"; the slots are then resolved one by one at the point each is used.
class operands {
  public:
    operands(variable_table& variables, text_view line, field_cache* cache);

    text_view text(int field) const { return variables_.field_text(line_, field); }
    text_view rest(int field) const { return variables_.field_rest(line_, field); }
    // The one character at the start of the field (an operator: "=", ">", "+", ...), or 0 when
    // the line ends before it; a 0 in the line is no operator either.
    char16_t operator_at(int field);
    // The field text read strictly as a number: type mismatch when it is none.
    double number(int field) {
        parsed_number p = parsed(field);
        if (!p.ok()) raise_field_error(field, *p.error);
        return p.number;
    }
    // The slot the field names: no table, or a number outside it, is a subscript error. A
    // number cached under this layout names a slot of this table.
    value& slot(int field) {
        if (cache_ && cache_->fields[field - 1].slot != field_cache::no_slot) {
            return variables_.slot_in_table(cache_->fields[field - 1].slot);
        }
        return find_slot(field);
    }

  private:
    parsed_number parsed(int field);
    [[noreturn]] void raise_field_error(int field, error_kind kind) const;
    value& find_slot(int field);

    variable_table& variables_;
    text_view line_;
    field_cache* cache_;
};

} // namespace tovl
