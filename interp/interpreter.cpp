// The program runner and dispatch: walks the lines with the line counter, one error boundary.
#include "interp/interpreter.h"

#include "interp/decoded_line.h"
#include "interp/script_text.h"
#include "interp/value.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <new>
#include <unordered_map>
#include <vector>

namespace tovl {

// The caches of one run's lines, for the handlers of lines that run again. A line gets one when
// its handler runs it for the second time: a line that runs once gains nothing from it, and a
// long script that runs straight through should not pay for a cache per line. Most lines that
// run again run from their decoding and never come here.
class run_caches {
  public:
    line_cache* for_line(size_t index) {
        auto [place, first_time] = caches_.try_emplace(index, nullptr);
        if (first_time || place->second) return place->second;
        return place->second = &pool_.emplace_back();
    }

  private:
    // A line that ran once has a place here without a cache.
    std::unordered_map<size_t, line_cache*> caches_;
    std::deque<line_cache> pool_; // stable addresses
};

namespace {

// The line counter is a 16-bit number: a script may have at most this many lines.
constexpr size_t max_lines = 32768;

// The direct forms of "fmath +", "fifvr", "fcopy" and "fprnt", through the value operations of
// their handlers; false when the values need the handler after all (a conversion that may
// fail).
[[gnu::always_inline]] inline bool add_single(value* slots, const decoded_line& line) {
    float a = 0;
    float b = 0;
    if (!quick_single(slots[line.slots[0]], a) || !quick_single(slots[line.slots[1]], b)) {
        return false;
    }
    float sum = a + b;
    if (!std::isfinite(sum)) return false;
    slots[line.slots[2]].set_single(sum);
    return true;
}

[[gnu::always_inline]] inline bool compare_greater(value* slots, const decoded_line& line,
                                                   bool& skipping) {
    double a = 0;
    double b = 0;
    if (!quick_lead_number(slots[line.slots[1]], b) ||
        !quick_lead_number(slots[line.slots[0]], a)) {
        return false;
    }
    skipping = !(a > b);
    return true;
}

[[gnu::always_inline]] inline bool compare_texts(value* slots, const decoded_line& line,
                                                 bool& skipping) {
    const value& a = slots[line.slots[0]];
    const value& b = slots[line.slots[1]];
    if (a.kind() != value_kind::text || b.kind() != value_kind::text) return false;
    skipping = a.as_text() != b.as_text();
    return true;
}

[[gnu::always_inline]] inline void copy_value(value* slots, const decoded_line& line) {
    const value& from = slots[line.slots[0]];
    value& to = slots[line.slots[1]];
    if (&from != &to) to = from;
}

inline void print_value(script_host& host, value* slots, const decoded_line& line) {
    text scratch;
    host.append_output(value_text_view(slots[line.slots[0]], scratch));
}

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

run_outcome interpreter::run(text_view script) {
    int last_line = run_error::no_line;
    run_outcome outcome;
    try {
        std::vector<text_view> lines = split_lines(script);
        check_line_count(lines.size());
        // Tracing, and runs without the direct forms, have a loop of their own, so that the
        // usual run pays nothing for them.
        outcome.end = trace_ || !direct_forms_ ? run_plain_lines(lines, last_line)
                                               : run_decoded_lines(lines, last_line);
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

run_outcome interpreter::run_with_fallback(text_view script, const fallback_notice& notice) {
    run_outcome first = run(script);
    if (first.end != run_end::failed) return first;
    notice(first.error);
    return run(script);
}

// The error of a line counter below 0 before a line runs: a jump to line 0 or before.
[[noreturn, gnu::cold]] static void raise_jump_before_start(int16_t counter) {
    throw run_error(error_kind::subscript_out_of_range)
        .because(u"fgoto jumped to line " +
                 value_text(value::from_int16(static_cast<int16_t>(counter + 1))) +
                 u": lines are numbered from 1");
}

// The usual run: each line is decoded when it first runs under a layout, and runs from its
// decoding from then on; the handlers run the lines that have no direct form, and those whose
// values need them. `last_line` is the line that ran last: errors of the counter itself are
// placed there.
//
// Each line jumps to the code of its form through a table of labels, as the dispatch loops of
// small interpreters do: one table while lines run, one while a false "fifvr" skips them, so
// that the skip flag costs nothing per line. The line counter lives in a local; it is stored
// for the handlers before each call and read back after it ("fgoto" sets it).
// NOLINTBEGIN(cppcoreguidelines-avoid-goto): the dispatch loop is made of jumps.
run_end interpreter::run_decoded_lines(const std::vector<text_view>& lines, int& last_line) {
    // Indexed by the skip flag, then by the form.
    static const void* const forms[2][line_form_count] = {
        {&&decode, &&next_line, &&handler, &&add, &&greater, &&same_text, &&jump, &&end_block,
         &&copy_slot, &&print, &&new_line, &&set_text},
        {&&decode, &&next_line, &&next_line, &&next_line, &&next_line, &&next_line, &&next_line,
         &&end_block, &&next_line, &&next_line, &&next_line, &&next_line},
    };
    std::vector<decoded_line> program(lines.size());
    run_caches caches;
    variable_table& variables = state_.variables;
    // Only a handler ("fnumv") can change the layout, and with it the table: then every line
    // is decoded afresh.
    uint32_t layout = variables.layout_version();
    value* slots = variables.table_start();
    decoded_line* const code = program.data();
    const void* const* table = forms[state_.skipping];
    state_.line_counter = 0;
    state_.end_requested = false;
    if (lines.empty()) return run_end::finished;
    // At most 32767: a negative counter, as an unsigned number, is above it too.
    const auto upper = static_cast<uint32_t>(lines.size()) - 1;
    int counter = 0;
    int ran = 0; // the line that runs or ran last
    decoded_line* line = nullptr;
    bool skip = false;      // what a direct "fifvr" decided
    uint32_t stretch = 0;   // lines from one pause point to the next
    uint32_t countdown = 0; // lines left before the next one

step:
    // Also a counter stepped past 32767, which overflows the 16-bit line counter.
    if (static_cast<uint32_t>(counter) > upper) [[unlikely]] {
        last_line = ran;
        if (counter > INT16_MAX) {
            state_.line_counter = INT16_MAX;
            throw run_error(error_kind::overflow);
        }
        state_.line_counter = static_cast<int16_t>(counter);
        if (counter < 0) raise_jump_before_start(static_cast<int16_t>(counter));
        return run_end::finished;
    }
    if (countdown == 0) [[unlikely]] {
        last_line = ran;
        if (std::optional<run_end> end = pause_here(stretch)) return *end;
        countdown = stretch;
    }
    --countdown;
    ran = counter;
    line = code + counter;
    goto* table[static_cast<uint8_t>(line->form)];

decode:
    last_line = ran;
    decode_line(*line, lines[static_cast<size_t>(counter)], variables);
    goto* table[static_cast<uint8_t>(line->form)];

add:
    if (!add_single(slots, *line)) goto handler;
    goto next_line;

greater:
    if (!compare_greater(slots, *line, skip)) goto handler;
    state_.skipping = skip;
    table = forms[skip];
    goto next_line;

same_text:
    if (!compare_texts(slots, *line, skip)) goto handler;
    state_.skipping = skip;
    table = forms[skip];
    goto next_line;

jump:
    counter = line->jump;
    goto next_line;

end_block:
    state_.skipping = false;
    table = forms[0];
    goto next_line;

copy_slot:
    copy_value(slots, *line);
    goto next_line;

print:
    last_line = ran;
    print_value(state_.host, slots, *line);
    goto next_line;

set_text:
    last_line = ran;
    slots[line->slots[0]].set_text(
        column_slice(lines[static_cast<size_t>(counter)], line->column, text_view::npos));
    goto next_line;

new_line:
    last_line = ran;
    state_.host.append_output(u"\r\n");
    goto next_line;

handler:
    last_line = ran;
    state_.line_counter = static_cast<int16_t>(counter);
    run_handler(*line, static_cast<size_t>(counter), lines, caches);
    if (state_.end_requested) return run_end::ended_by_fendp;
    counter = state_.line_counter;
    table = forms[state_.skipping];
    if (variables.layout_version() != layout) {
        layout = variables.layout_version();
        slots = variables.table_start();
        std::fill(program.begin(), program.end(), decoded_line());
    }
    goto next_line;

next_line:
    ++counter;
    goto step;
}
// NOLINTEND(cppcoreguidelines-avoid-goto)

// A line that its handler runs, with the line's cache; out of the loop, which keeps its
// registers for the direct forms.
void interpreter::run_handler(const decoded_line& line, size_t index,
                              const std::vector<text_view>& lines, run_caches& caches) {
    state_.current = caches.for_line(index);
    commands_[line.keyword_index](state_, lines[index]);
}

// Runs every line through its handler, decoding it afresh each time, and describes each line
// that runs when a trace is on. The plain path, against which the direct forms are tested.
run_end interpreter::run_plain_lines(const std::vector<text_view>& lines, int& last_line) {
    const int upper = static_cast<int>(lines.size()) - 1;
    int16_t& counter = state_.line_counter;
    counter = 0;
    state_.end_requested = false;
    state_.current = nullptr;
    uint32_t stretch = 0;
    uint32_t countdown = 0;
    while (counter <= upper) {
        if (counter < 0) raise_jump_before_start(counter);
        last_line = counter;
        if (countdown == 0) {
            if (std::optional<run_end> end = pause_here(stretch)) return *end;
            countdown = stretch;
        }
        --countdown;
        text_view line = lines[static_cast<size_t>(counter)];
        if (trace_) {
            run_traced_line(line);
        } else {
            run_line(line);
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
void interpreter::run_line(text_view line) {
    std::optional<keyword> found = find_keyword(line);
    if (!found || (state_.skipping && *found != keyword::endif)) return;
    commands_[static_cast<size_t>(*found)](state_, line);
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
