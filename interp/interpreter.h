// The interpreter: runs a script's lines, from their decodings or through the command table,
// and says how the run ended.
#pragma once

#include "interp/decoded_line.h"
#include "interp/run_error.h"
#include "interp/run_state.h"
#include "interp/run_trace.h"
#include "interp/text.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace tovl {

class run_caches;

enum class run_end {
    finished,          // the line counter passed the last line
    ended_by_fendp,    // "fendp" asked to end the program
    failed,            // a run-time error; it carries its line
    step_budget_spent, // the host's limit on executed lines was reached
    stopped            // the host asked at a pause point to end the program (its window closed)
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

    // Runs the script as the runners do: a run-time error in this first run makes it run once
    // more from its first line, with the variables, the layout and the output it left, after
    // `notice` has been told of the error. The outcome is that of the last run: an error in
    // the second run is the program's fatal error.
    using fallback_notice = std::function<void(const run_error& error)>;
    run_outcome run_with_fallback(text_view script, const fallback_notice& notice);

    // The variables as the last run left them, for a host or a test to look at.
    const variable_table& variables() const { return state_.variables; }

    // For hosts that must end every run (the fuzzer): after this many more executed lines a
    // run ends as step_budget_spent. Unlimited unless set.
    void set_step_budget(uint64_t lines) { steps_left_ = lines; }

    // Called between two lines once every `lines` lines, so that a host can keep its window
    // alive during a long run; it returns true to end the program there. The runner calls
    // nothing else of the host's on its own, and the call never re-enters the runner.
    using pause_point = std::function<bool()>;
    void set_pause_point(pause_point pause, uint32_t lines) {
        pause_ = std::move(pause);
        pause_interval_ = lines;
    }

    // Every line that runs from now on is described to `writer`; an empty writer ends tracing.
    // A traced run takes the plain path.
    void set_trace(trace_writer writer) { trace_ = std::move(writer); }

    // Whether lines that run again run from their decoding (the default) or through their
    // handlers from the line's text every time (the plain path). Both give the same results;
    // the plain path is there to show it.
    void set_direct_forms(bool on) { direct_forms_ = on; }

  private:
    [[gnu::noinline]] run_end run_decoded_lines(const std::vector<text_view>& lines,
                                                int& last_line);
    [[gnu::noinline]] void run_handler(const decoded_line& line, size_t index,
                                       const std::vector<text_view>& lines, run_caches& caches);
    run_end run_plain_lines(const std::vector<text_view>& lines, int& last_line);
    void run_line(text_view line);
    void run_traced_line(text_view line);

    run_state state_;
    command_table commands_; // a copy: a handful of pointers, never left dangling
    // Lines until the next pause point or the end of the step budget: one countdown for both,
    // so that a run pays one decrement a line for either.
    std::optional<run_end> pause_here(uint32_t& stretch);
    uint64_t steps_left_ = UINT64_MAX;
    pause_point pause_;
    uint32_t pause_interval_ = 0;
    trace_writer trace_;
    bool direct_forms_ = true;
};

} // namespace tovl
