// The variable table and the operand column layout that "fnumv" fixes.
#pragma once

#include "interp/operand_layout.h"
#include "interp/run_error.h"
#include "interp/text.h"
#include "interp/value.h"

#include <cassert>
#include <cstdint>
#include <vector>

namespace tovl {

// The variables 0..n and the operand layout in force (interp/operand_layout.h).
class variable_table {
  public:
    // Rebuilds the table with slots 0..n, all Empty, and sets the layout for n's width. A
    // negative n sets the layout and leaves no table: the rebuild is a subscript error. `line`
    // (0-based) is the "fnumv" line, named when an operand does not fit the layout.
    void rebuild(int16_t n, int line);

    // True once a layout is set: before the first "fnumv" no line has operand fields.
    bool has_layout() const { return field_width_ > 0; }
    // The field's text, cut to the field width; invalid argument before the layout is set.
    text_ref field_text(text_ref line, int field) const;
    // Everything from the field's first column to the end of the line.
    text_ref field_rest(text_ref line, int field) const;
    // Start column of operand field 1..4; 0 before the first "fnumv".
    int field_column(int field) const {
        return has_layout() ? tovl::field_column(field_width_, field) : 0;
    }

    // The slot with that number: no table, or a number outside it, is a subscript error.
    value& slot(int32_t index) {
        if (!is_slot(index)) raise_outside(index);
        return slots_[static_cast<size_t>(index)];
    }
    // The subscript error for a slot number outside the table, saying where the table ends.
    [[noreturn]] void raise_outside(double index) const;
    // The invalid-argument error of an operand field before the first "fnumv".
    [[noreturn]] static void raise_no_layout();
    // "fields are 2 columns wide here (fnumv12 at line 1)", for errors about operand fields.
    text layout_note() const;
    // A slot number already checked against this table (the table has not been rebuilt since).
    value& slot_in_table(int32_t index) {
        assert(is_slot(index));
        return slots_[static_cast<size_t>(index)];
    }
    // The first slot, for a runner that indexes slots it checked with is_slot; valid until the
    // table is rebuilt.
    value* table_start() { return slots_.data(); }
    // For reading only, as a trace does: a slot checked with is_slot.
    const value& slot_value(int32_t index) const { return slots_[static_cast<size_t>(index)]; }
    size_t size() const { return slots_.size(); }
    int field_width() const { return field_width_; }
    // False before the first "fnumv" and after a negative one.
    bool has_slots() const { return !slots_.empty(); }
    bool is_slot(int32_t index) const {
        return index >= 0 && static_cast<size_t>(index) < slots_.size();
    }

    // Changes with every "fnumv", so that what was read from fields under one layout is known
    // to be stale under the next.
    uint32_t layout_version() const { return layout_version_; }

  private:
    std::vector<value> slots_;
    int field_width_ = 0;
    int16_t layout_number_ = 0; // the n of the "fnumv" that set the layout
    int layout_line_ = 0;
    uint32_t layout_version_ = 1;
};

} // namespace tovl
