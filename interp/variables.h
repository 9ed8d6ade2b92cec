// The variable table and the operand column layout that "fnumv" fixes.
#pragma once

#include "interp/runerror.h"
#include "interp/text.h"
#include "interp/value.h"

#include <cstdint>
#include <vector>

namespace tovl {

// Operands stand in fixed-width fields without separators: field k starts at column
// 6 + (k - 1) * fieldwidth, fieldwidth being the number of decimal digits of numvars.
class vartable {
  public:
    // Rebuilds the table with slots 0..n, all Empty, and sets the layout for n's width. A
    // negative n sets the layout and leaves no table: the rebuild is a subscript error.
    void rebuild(int16_t n);

    // The field's text, cut to the field width; invalid argument before the layout is set.
    textview fieldtext(textview line, int field) const;
    // Everything from the field's first column to the end of the line.
    textview fieldrest(textview line, int field) const;
    // The slot with that number: no table, or a number outside it, is a subscript error.
    Value& slot(int32_t index) {
        if (!built_ || index < 0 || static_cast<size_t>(index) >= vars_.size()) {
            throw runerror(errorkind::subscriptoutofrange);
        }
        return vars_[index];
    }

    bool built() const { return built_; }
    // Changes with every "fnumv", so that what was read from fields under one layout is known
    // to be stale under the next.
    uint32_t layoutversion() const { return layoutversion_; }
    int16_t numvars() const { return numvars_; }
    int16_t fieldwidth() const { return fieldwidth_; }
    // Start column of operand field 1..4 (arg1pos..arg4pos); 0 before the first "fnumv".
    int16_t argpos(int field) const { return argpos_[field - 1]; }

  private:
    int16_t numvars_ = 0;
    bool built_ = false;
    std::vector<Value> vars_;
    int16_t fieldwidth_ = 0;
    int16_t argpos_[4] = {0, 0, 0, 0};
    uint32_t layoutversion_ = 1;
};

} // namespace tovl
