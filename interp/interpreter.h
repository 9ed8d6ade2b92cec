// The interpreter: runs a script's lines through the command table and says how the run ended.
#pragma once

#include "interp/run_error.h"
#include "interp/run_state.h"
#include "interp/run_trace.h"
#include "interp/text.h"

#include <cstdint>

namespace tovl {

enum class run_end {
    finished,         // the line counter passed the last line
    ended_by_fendp,   // "fendp" asked to end the program
    failed,           // a run-time error; it carries its line
    step_budget_spent // the host's limit on executed lines was reached
};

struct run_outcome {
    run_end end = run_end::finished;
    run_error error{error_kind::invalid_argument}; // meaningful when end is failed
};

class interpreter {
  public:
    interpreter(const run_services& services, const command_table& commands)
        : state_(services), commands_(commands) {}

    // Runs the script once from its first line. The state stays for the next run.
    run_outcome run(text_view script);

    // For hosts that must end every run (the fuzzer): after this many more executed lines a
    // run ends as step_budget_spent. Unlimited unless set.
    void set_step_budget(uint64_t lines) { steps_left_ = lines; }

    // Every line that runs from now on is described to `writer`; an empty writer ends tracing.
    void set_trace(trace_writer writer) { trace_ = std::move(writer); }

  private:
    template <bool traced> run_end run_lines(const std::vector<text_view>& lines, int& last_line);
    // Inlined into both loops: the plain one is the hot path of every run.
    [[gnu::always_inline]] inline void run_line(text_view line);
    void run_traced_line(text_view line);

    run_state state_;
    command_table commands_; // a copy: a handful of pointers, never left dangling
    uint64_t steps_left_ = UINT64_MAX;
    trace_writer trace_;
};

} // namespace tovl
