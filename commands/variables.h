// Variable commands: "fnumv", "fsetv", "fcopy", "fappd", "fmath" and "frand".
#pragma once

#include "interp/numbers.h"
#include "interp/operands.h"
#include "interp/run_state.h"
#include "interp/value.h"

#include <cmath>

namespace tovl::commands {

void fnumv(run_state& state, const decoded_line& decoded, text_view line);
void fappd(run_state& state, const decoded_line& decoded, text_view line);
void frand(run_state& state, const decoded_line& decoded, text_view line);

// The parts of "fmath" that its usual case never reaches: fields that are not all variables of
// the table, values that are no numbers or leave the float range, and the other operators.
[[gnu::cold]] void check_single_fields(const operands& f);
[[gnu::cold]] void add_singles_naming_values(operands& f);
[[gnu::cold]] void compute_naming_values(operands& f, char16_t op);

// Stores the rest of the line from field 2, untrimmed, as a text.
inline void fsetv(run_state& state, const decoded_line& decoded, text_view line) {
    operands f(state.variables, decoded, line);
    f.slot(1).set_text(f.text());
}

inline void fcopy(run_state& state, const decoded_line& decoded, text_view line) {
    operands f(state.variables, decoded, line);
    const value& from = f.slot(1);
    value& to = f.slot(2);
    if (&from != &to) to = from;
}

// The fields of "fmath" are read as 32-bit floats first, so a field beyond the float range
// fails before the operator is looked at; a field that names a variable always passes. "+" adds
// in 32-bit floating point and stores a Float32; "-", "*", "/" follow the dynamic arithmetic;
// any other operator does nothing.
inline void fmath(run_state& state, const decoded_line& decoded, text_view line) {
    operands f(state.variables, decoded, line);
    if (!f.complete()) [[unlikely]]
        check_single_fields(f);
    if (f.op() != u'+') {
        compute_naming_values(f, f.op());
        return;
    }
    // One rounding, never widened: a sum past the float range overflows.
    float a = 0;
    float b = 0;
    if (quick_single(f.slot(1), a) && quick_single(f.slot(2), b)) [[likely]] {
        float sum = a + b;
        if (std::isfinite(sum)) [[likely]] {
            f.slot(3).set_single(sum);
            return;
        }
    }
    add_singles_naming_values(f);
}

} // namespace tovl::commands
