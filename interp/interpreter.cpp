// The interpreter's runs: the script split into lines, the loop chosen, the fallback run.
#include "interp/interpreter.h"

#include "interp/script_text.h"
#include "interp/value.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

namespace tovl {

namespace {

// The line counter is a 16-bit number: a script may have at most this many lines.
constexpr size_t max_lines = 32768;

// A script has at most max_lines lines.
void check_line_count(size_t count) {
    if (count > max_lines) {
        throw run_error(error_kind::overflow)
            .because(u"the script has " +
                     value_text(value::from_double(static_cast<double>(count))) +
                     u" lines; a script may have at most 32767 (and an empty last one)");
    }
}

} // namespace

run_outcome interpreter::run(text_ref script) {
    std::optional<script_lines> lines;
    try {
        lines.emplace(script);
        check_line_count(lines->size());
    } catch (const run_error& error) {
        return {run_end::failed, error};
    } catch (const std::bad_alloc&) {
        return {run_end::failed, run_error(error_kind::out_of_memory)};
    }
    // A traced run has a loop of its own, so that the usual run pays nothing for the trace.
    if (tracer_) return commands_.run_traced(state_, *lines, pacing_, &*tracer_);
    return commands_.run(state_, *lines, pacing_, nullptr);
}

run_outcome interpreter::run_with_fallback(text_ref script, const fallback_notice& notice) {
    run_outcome first = run(script);
    if (first.end != run_end::failed) return first;
    notice(first.error);
    return run(script);
}

std::optional<run_end> run_pacing::pause_here(uint32_t& stretch) {
    steps_left -= stretch;
    if (steps_left == 0) return run_end::step_budget_spent;
    if (pause && stretch != 0 && pause()) return run_end::stopped;
    uint64_t most = pause ? pause_interval : UINT32_MAX;
    stretch = static_cast<uint32_t>(std::min(steps_left, most));
    return std::nullopt;
}

void raise_jump_before_start(int16_t counter) {
    throw run_error(error_kind::subscript_out_of_range)
        .because(u"fgoto jumped to line " +
                 value_text(value::from_int16(static_cast<int16_t>(counter + 1))) +
                 u": lines are numbered from 1");
}

} // namespace tovl
