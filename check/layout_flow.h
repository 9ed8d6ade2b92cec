// Which operand layouts can reach each line: the paths a run can take through lines and jumps.
#pragma once

#include "interp/keyword.h"
#include "interp/operand_layout.h"
#include "interp/text.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tovl {

// The table size that "fnumv" makes from what it reads from column 6 to the end of the line:
// nothing when the number fails or is negative (no usable table).
std::optional<int16_t> fnumv_size(text_view line);

// The target of "fgoto", everything from column 6 to the end of the line: the 1-based line the
// run goes on at (0 or below when it cannot), or nothing when the target is no number or too
// large for the line counter.
std::optional<int32_t> jump_target(text_view line);

// A line's keyword, if it has one, for each line.
using line_keywords = std::vector<std::optional<keyword>>;

// The layouts that can reach a line: for each table size that can be in force when the line
// runs, the 0-based index of the first "fnumv" line found to make it, or no_layout when the
// line can run before any "fnumv" has run. At most max_layouts_per_line are kept for a line,
// no_layout first when it is one of them.
constexpr int no_layout = -1;
constexpr size_t max_layouts_per_line = 16;
using reaching_layouts = std::vector<std::vector<int>>;

// Follows every path from line 1, by the traits of each line's keyword row: lines in order, a
// jump ("fgoto") to its target, a test ("fifvr") that can fail on to the next line that ends a
// block ("endif"), a line that ends the program ("fendp") and the last line ending the run.
// Each line that sets a new layout ("fnumv") starts a layout of its own. A line that fails at run
// time is followed as though it had worked, so that one mistake does not hide the lines after it;
// the second run that a run-time error starts from line 1 is not followed.
reaching_layouts find_reaching_layouts(const std::vector<text_view>& lines,
                                       const line_keywords& keywords);

// The layouts that each line's fields are read under: those that can reach it, and for a line
// that no run reaches, the "fnumv" line nearest above it, so that the mistakes of such a line
// still show; none when no "fnumv" stands above it.
reaching_layouts layouts_to_read(reaching_layouts reached, const line_keywords& keywords);

// The last line that a jump lands on: the empty piece after the final line end does not count,
// as a jump to it does nothing but end the run.
int last_landing_line(const std::vector<text_view>& lines);

} // namespace tovl
