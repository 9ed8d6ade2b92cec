// Tracing a run: each line that runs, with what it changed, for tovl-console --trace.
#pragma once

#include "interp/decoded_line.h"
#include "interp/run_error.h"
#include "interp/run_state.h"
#include "interp/text.h"
#include "interp/value.h"

#include <cstdint>
#include <functional>

namespace tovl {

// Receives one trace line for every script line that runs. The view is valid during the call.
using trace_writer = std::function<void(text_view line)>;

// The runner's trace hook. Before a line runs it takes what the line may change: the variable
// its row says it writes, the layout, the skip flag and the line counter; after it, it writes
// "12: fmath121+  v1 = 5": the 1-based line number, the line, and what changed (a variable, a
// new table, a test that starts skipping, a jump, the end of the program). A line whose command
// fails is written with its error instead.
class line_tracer {
  public:
    explicit line_tracer(trace_writer writer) : write_(std::move(writer)) {}

    void before(const run_state& state, const decoded_line& decoded, text_ref line);
    void after(const run_state& state);
    // The line that was running when `error` arose, if one was.
    void failed(const run_state& state, const run_error& error);

  private:
    void describe(const run_state& state);

    trace_writer write_;
    text out_; // the trace line being made, its storage kept from line to line
    text_ref line_;
    bool running_ = false; // a line is between before() and after()
    bool is_test_ = false;
    uint32_t layout_ = 0;
    bool skipping_ = false;
    int16_t counter_ = 0;
    int16_t watched_ = decoded_line::unread;
    value before_;
};

} // namespace tovl
