// Tracing a run: each line that runs, with what it changed, for tovl-console --trace.
#pragma once

#include "interp/run_state.h"
#include "interp/text.h"
#include "interp/value.h"

#include <functional>
#include <vector>

namespace tovl {

// Receives one trace line for every script line that runs.
using trace_writer = std::function<void(const text& line)>;

// What one line may change, taken just before it runs: the variables its first three operand
// fields name under the layout in force, the layout, the skip flag and the line counter.
class line_trace {
  public:
    line_trace(const run_state& state, text_view line);

    // "12: fmath121+  v1 = 5": the 1-based line number, the line, and what changed: variables,
    // a new table, a test that starts skipping, a jump, the end of the program.
    text after(const run_state& state, text_view line) const;

  private:
    struct watched {
        int32_t index = 0;
        value before;
    };
    std::vector<watched> watched_;
    uint32_t layout_;
    bool skipping_;
    int16_t counter_;
};

} // namespace tovl
