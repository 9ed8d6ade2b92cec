// The interpreter: runs a script's lines through the run loop and says how the run ended.
#pragma once

#include "interp/run_error.h"
#include "interp/run_loop.h"
#include "interp/run_state.h"
#include "interp/run_trace.h"
#include "interp/text.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace tovl {

class interpreter {
  public:
    interpreter(const run_services& services, const command_set& commands)
        : state_(services), commands_(commands) {}

    // Runs the script once from its first line. The state stays for the next run.
    run_outcome run(text_ref script);

    // Runs the script as the runners do: a run-time error in this first run makes it run once
    // more from its first line, with the variables, the layout and the output it left, after
    // `notice` has been told of the error. The outcome is that of the last run: an error in
    // the second run is the program's fatal error.
    using fallback_notice = std::function<void(const run_error& error)>;
    run_outcome run_with_fallback(text_ref script, const fallback_notice& notice);

    // The variables as the last run left them, for a host or a test to look at.
    const variable_table& variables() const { return state_.variables; }
    // The whole state, for a host that watches the run from its pause point (the checker's
    // trial). At a pause point the next line to run is the line counter's plus one.
    const run_state& state() const { return state_; }

    // For hosts that must end every run (the fuzzer): after this many more executed lines a
    // run ends as step_budget_spent. Unlimited unless set.
    void set_step_budget(uint64_t lines) { pacing_.steps_left = lines; }

    // Called between two lines once every `lines` lines, so that a host can keep its window
    // alive during a long run; it returns true to end the program there. The runner calls
    // nothing else of the host's on its own, and the call never re-enters the runner.
    void set_pause_point(run_pacing::pause_point pause, uint32_t lines) {
        pacing_.pause = std::move(pause);
        pacing_.pause_interval = lines;
    }
    // Changes how often the pause point is called, from the next pause on; safe to call from
    // the pause point itself.
    void set_pause_interval(uint32_t lines) { pacing_.pause_interval = lines; }

    // Every line that runs from now on is described to `writer`; an empty writer ends tracing.
    void set_trace(trace_writer writer) {
        tracer_.reset();
        if (writer) tracer_.emplace(std::move(writer));
    }

  private:
    run_state state_;
    command_set commands_; // a copy: two pointers, never left dangling
    run_pacing pacing_;
    std::optional<line_tracer> tracer_;
};

} // namespace tovl
