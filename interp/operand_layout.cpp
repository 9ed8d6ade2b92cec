// The arithmetic of "fgoto": the line number written to the line counter.
#include "interp/operand_layout.h"

#include "interp/numbers.h"

#include <cmath>

namespace tovl {

std::optional<int16_t> jump_counter(double line_number) {
    text printed;
    append_number_text(printed, line_number - 2, double_digits);
    parsed_number counter = parse_strict_number(printed);
    if (!counter.ok()) return std::nullopt; // printed past the 64-bit range
    double rounded = std::nearbyint(counter.number);
    if (!(rounded >= INT16_MIN && rounded <= INT16_MAX)) return std::nullopt;
    return static_cast<int16_t>(rounded);
}

} // namespace tovl
