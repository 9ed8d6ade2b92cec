// The program runner and dispatch: walks the lines with the line counter, one error boundary.
#include "interp/interpreter.h"

#include "interp/script_text.h"
#include "interp/value.h"

#include <algorithm>
#include <deque>
#include <new>
#include <vector>

namespace tovl {

namespace {

// The line counter is a 16-bit number: a script may have at most this many lines.
constexpr size_t max_lines = 32768;

// The caches of one run's lines. A line gets one when it runs for the second time: a line that
// runs once gains nothing from it, and a long script that runs straight through should not pay
// for a cache per line.
class run_caches {
  public:
    explicit run_caches(size_t lines) : caches_(lines, nullptr), visited_(lines, false) {}

    line_cache* for_line(size_t index) {
        line_cache* cache = caches_[index];
        if (cache) return cache;
        if (!visited_[index]) {
            visited_[index] = true;
            return nullptr;
        }
        return caches_[index] = &pool_.emplace_back();
    }

  private:
    std::vector<line_cache*> caches_;
    std::vector<bool> visited_;
    std::deque<line_cache> pool_; // stable addresses
};

} // namespace

run_outcome interpreter::run(text_view script) {
    int last_line = run_error::no_line;
    run_outcome outcome;
    try {
        std::vector<text_view> lines = split_lines(script);
        // Tracing has a loop of its own, so that a run without it pays nothing for it.
        outcome.end =
            trace_ ? run_lines<true>(lines, last_line) : run_lines<false>(lines, last_line);
    } catch (run_error& error) {
        error.place_at_line(last_line);
        outcome = {run_end::failed, error};
    } catch (const std::bad_alloc&) {
        // A script can ask for more memory than there is (a text doubled again and again):
        // that is its run-time error, not a crash.
        outcome = {run_end::failed, run_error(error_kind::out_of_memory, last_line)};
    }
    state_.current = nullptr; // the caches went with the run
    return outcome;
}

// `last_line` is the line that ran last: errors of the counter itself are placed there.
template <bool traced>
run_end interpreter::run_lines(const std::vector<text_view>& lines, int& last_line) {
    if (lines.size() > max_lines) {
        throw run_error(error_kind::overflow)
            .because(u"the script has " +
                     value_text(value::from_double(static_cast<double>(lines.size()))) +
                     u" lines; a script may have at most 32767 (and an empty last one)");
    }
    run_caches caches(lines.size());
    const int upper = static_cast<int>(lines.size()) - 1;
    int16_t& counter = state_.line_counter;
    counter = 0;
    state_.end_requested = false;
    uint32_t stretch = 0;   // lines from one pause point to the next
    uint32_t countdown = 0; // lines left before the next one
    while (counter <= upper) {
        if (counter < 0) {
            throw run_error(error_kind::subscript_out_of_range)
                .because(u"fgoto jumped to line " +
                         value_text(value::from_int16(static_cast<int16_t>(counter + 1))) +
                         u": lines are numbered from 1");
        }
        last_line = counter;
        if (countdown == 0) {
            if (std::optional<run_end> end = pause_here(stretch)) return *end;
            countdown = stretch;
        }
        --countdown;
        state_.current = caches.for_line(static_cast<size_t>(counter));
        if constexpr (traced) {
            run_traced_line(lines[static_cast<size_t>(counter)]);
        } else {
            run_line(lines[static_cast<size_t>(counter)]);
        }
        if (state_.end_requested) return run_end::ended_by_fendp;
        if (counter == INT16_MAX) throw run_error(error_kind::overflow);
        ++counter;
    }
    return run_end::finished;
}

// The lines of the last stretch are taken from the step budget, the host's pause point runs,
// and the next stretch is measured; the end of the run when one of them ends it.
std::optional<run_end> interpreter::pause_here(uint32_t& stretch) {
    steps_left_ -= stretch;
    if (steps_left_ == 0) return run_end::step_budget_spent;
    if (pause_ && stretch != 0 && pause_()) return run_end::stopped;
    uint64_t most = pause_ ? pause_interval_ : UINT32_MAX;
    stretch = static_cast<uint32_t>(std::min(steps_left_, most));
    return std::nullopt;
}

// Dispatch: a line whose first five characters are a keyword goes to its handler; while the
// skip flag is set only "endif" does. Every other line does nothing.
inline void interpreter::run_line(text_view line) {
    line_cache* cache = state_.current;
    uint8_t index = cache ? cache->keyword_index : line_cache::unresolved;
    if (index == line_cache::unresolved) {
        std::optional<keyword> found = find_keyword(line);
        index = found ? static_cast<uint8_t>(*found) : line_cache::no_keyword;
        if (cache) cache->keyword_index = index;
    }
    if (index == line_cache::no_keyword) return;
    if (state_.skipping && index != static_cast<uint8_t>(keyword::endif)) return;
    commands_[index](state_, line);
}

// A line that runs is traced after it ran, or before its error is passed on. Lines that do
// nothing (comments, lines skipped by a false test) are not traced.
void interpreter::run_traced_line(text_view line) {
    std::optional<keyword> found = find_keyword(line);
    if (!found || (state_.skipping && *found != keyword::endif)) {
        run_line(line);
        return;
    }
    line_trace trace(state_, line);
    try {
        run_line(line);
    } catch (const run_error& error) {
        text out = trace.after(state_, line) + u"  Run-time error ";
        append_ascii(out, std::to_string(error.number()));
        trace_(out);
        throw;
    }
    trace_(trace.after(state_, line));
}

} // namespace tovl
