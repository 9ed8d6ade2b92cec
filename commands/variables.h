// Variable commands: "fnumv", "fsetv", "fcopy", "fappd", "fmath" and "frand".
#pragma once

#include "interp/numbers.h"
#include "interp/operands.h"
#include "interp/run_state.h"
#include "interp/value.h"

#include <cmath>

namespace tovl::commands {

void fnumv(run_state& state, const decoded_line& decoded);
void fappd(run_state& state, const decoded_line& decoded);
void frand(run_state& state, const decoded_line& decoded);

// Every case of "fmath", its errors included; the inline body below takes the usual one.
[[gnu::cold]] void compute(operands f);

// Stores the rest of the line from field 2, untrimmed, as a text.
[[gnu::always_inline]] inline void fsetv(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    f.slot(1).set_text(f.text());
}

[[gnu::always_inline]] inline void fcopy(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    const value& from = f.slot(1);
    value& to = f.slot(2);
    if (&from != &to) to = from;
}

// The fields of "fmath" are read as 32-bit floats first, so a field beyond the float range
// fails before the operator is looked at; a field that names a variable always passes. "+" adds
// in 32-bit floating point and stores a Float32; "-", "*", "/" follow the dynamic arithmetic;
// any other operator does nothing. The usual case, "+" on numbers in variables of the table,
// finishes here; every other goes on to compute().
[[gnu::always_inline]] inline void fmath(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    if (f.complete() && f.op() == u'+') [[likely]] {
        float a = 0;
        float b = 0;
        if (quick_single(f.decoded_slot(1), a) && quick_single(f.decoded_slot(2), b)) {
            // One rounding, never widened: a sum past the float range overflows.
            float sum = a + b;
            if (std::isfinite(sum)) [[likely]] {
                f.decoded_slot(3).set_single(sum);
                return;
            }
        }
    }
    compute(f);
}

} // namespace tovl::commands
