// The one run loop: walks the lines with the line counter, decodes each line once per layout and
// runs its command's body from the decoding, with the trace as a hook.
#pragma once

#include "interp/decoded_line.h"
#include "interp/operands.h"
#include "interp/run_error.h"
#include "interp/run_state.h"
#include "interp/run_trace.h"
#include "interp/script_text.h"
#include "interp/text.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <vector>

// The loop jumps to each line's code through a table of label addresses, as the dispatch loops
// of small interpreters do, where the compiler has them (g++ and clang); otherwise, and for tools
// that read only standard C++ (cppcheck reads it with TOVL_SWITCH_DISPATCH defined), through a
// switch on the line's form.
#if defined(__GNUC__) && !defined(TOVL_SWITCH_DISPATCH)
#define TOVL_COMPUTED_GOTO 1
#else
#define TOVL_COMPUTED_GOTO 0
#endif

namespace tovl {

enum class run_end {
    finished,          // the line counter passed the last line
    ended_by_fendp,    // "fendp" asked to end the program
    failed,            // a run-time error; it carries its line
    step_budget_spent, // the host's limit on executed lines was reached
    stopped            // the host asked to end the program: at a pause point (its window closed,
                       // its output failed), or by stop_requested from a box or a question
};

struct run_outcome {
    run_end end = run_end::finished;
    run_error error{error_kind::invalid_argument}; // meaningful when end is failed
};

// The pause points of a run: one countdown for the host's pause point and the step budget, so
// that a run pays one decrement a line for both.
class run_pacing {
  public:
    using pause_point = std::function<bool()>;

    // The lines of the last stretch are taken from the step budget, the host's pause point
    // runs, and the next stretch is measured; the end of the run when one of them ends it.
    std::optional<run_end> pause_here(uint32_t& stretch);

    uint64_t steps_left = UINT64_MAX;
    pause_point pause;
    uint32_t pause_interval = 0;
};

// What the commands give the interpreter: the loop made with their bodies, plain and traced.
struct command_set {
    using loop = run_outcome (*)(run_state& state, const script_lines& lines, run_pacing& pacing,
                                 line_tracer* tracer);
    loop run;
    loop run_traced;
};

// The run-time error of a line counter below 0 before a line runs: a jump to line 0 or before.
[[noreturn, gnu::cold]] void raise_jump_before_start(int16_t counter);

// The loop itself, made by commands/ with `bodies` holding one static function per keyword,
// of the same name: each line's label calls its keyword's body with the line's decoding, inline
// where the body is. What a command does to the run besides its variables (a jump, a skip, a new
// layout, the end) is read back after the body as its keyword's row says. Every error is placed
// at the line whose code was running, by the line pointer itself.
//
// The line counter lives in a local and is stored for the bodies before each line; the skip
// flag chooses the table the lines jump through, so skipped lines cost nothing extra.
// NOLINTBEGIN(cppcoreguidelines-avoid-goto): the dispatch loop is made of jumps.
template <class bodies, bool traced>
run_outcome run_lines(run_state& state, const script_lines& lines, run_pacing& pacing,
                      line_tracer* tracer) {
    std::vector<decoded_line> program;
    variable_table& variables = state.variables;
    state.line_counter = 0;
    state.end_requested = false;
    if (lines.empty()) return {};
    decoded_line* code = nullptr;
    decoded_line* line = code; // the line running, or that ran last
    // At most 32767: a negative counter, as an unsigned number, is above it too.
    const auto upper = static_cast<uint32_t>(lines.size()) - 1;
    uint32_t layout = variables.layout_version();
    // The lines' texts are the state's for as long as this run lasts.
    struct lines_of_run {
        run_state& state;
        explicit lines_of_run(run_state& run) : state(run) {}
        lines_of_run(const lines_of_run&) = delete;
        lines_of_run& operator=(const lines_of_run&) = delete;
        lines_of_run(lines_of_run&&) = delete;
        lines_of_run& operator=(lines_of_run&&) = delete;
        ~lines_of_run() { state.line_texts = nullptr; }
    } in_run(state);
    state.line_texts = &lines;
    int counter = 0;
    uint32_t stretch = 0;   // lines from one pause point to the next
    uint32_t countdown = 0; // lines left before the next one

#if TOVL_COMPUTED_GOTO
    // Indexed by the form: one table while lines run, one while a false "fifvr" skips them, in
    // which only a command that ends the block runs.
    static const void* const running[line_form_count] = {
        &&form_not_decoded,
        &&form_no_command,
        &&form_needs_layout,
#define TOVL_KEYWORD(name, ...) &&form_##name,
#include "interp/keywords.def"
#undef TOVL_KEYWORD
    };
    static const void* const skipping[line_form_count] = {
        &&form_not_decoded,
        &&next_line,
        &&next_line,
#define TOVL_KEYWORD(name, ...)                                                                    \
    runs_while_skipping(form_of(keyword::name)) ? &&form_##name : &&next_line,
#include "interp/keywords.def"
#undef TOVL_KEYWORD
    };
    const void* const* table = state.skipping ? skipping : running;
// NOLINTBEGIN(bugprone-macro-parentheses): statements and labels, not expressions.
#define TOVL_DISPATCH() goto* table[static_cast<uint8_t>(line->form)]
#define TOVL_FORM(name) form_##name
#define TOVL_SKIP_TABLE() table = state.skipping ? skipping : running
// NOLINTEND(bugprone-macro-parentheses)
#else
#define TOVL_DISPATCH() goto dispatch
#define TOVL_FORM(name) case line_form::name
#define TOVL_SKIP_TABLE() (void)0
#endif

    try {
        // Texts made past the budget fail here; the error is reported after the scope ends.
        memory_budget::enforced_scope budget;
        // Made here, so that a program too large for the memory left is the run's error.
        program.resize(lines.size());
        code = line = program.data();
    step:
        // Also a counter stepped past 32767, which overflows the 16-bit line counter.
        if (static_cast<uint32_t>(counter) > upper) [[unlikely]] {
            if (counter > INT16_MAX) {
                state.line_counter = INT16_MAX;
                throw run_error(error_kind::overflow);
            }
            state.line_counter = static_cast<int16_t>(counter);
            if (counter < 0) raise_jump_before_start(static_cast<int16_t>(counter));
            return {};
        }
        if (countdown == 0) [[unlikely]] {
            if (std::optional<run_end> end = pacing.pause_here(stretch)) return {*end};
            countdown = stretch;
        }
        --countdown;
        line = code + counter;
        state.line_counter = static_cast<int16_t>(counter);
        TOVL_DISPATCH();

        // Each form's code, at the label the dispatch jumps to.
#if !TOVL_COMPUTED_GOTO
    dispatch:
        switch (state.skipping && !runs_while_skipping(line->form) ? line_form::no_command
                                                                   : line->form) {
#endif
            TOVL_FORM(not_decoded) : {
                *line = decode_line(lines[static_cast<size_t>(counter)], variables);
                TOVL_DISPATCH();
            }
            TOVL_FORM(no_command) : {
                goto next_line;
            }
            TOVL_FORM(needs_layout) : {
                if constexpr (traced)
                    tracer->before(state, *line, lines[static_cast<size_t>(counter)]);
                variable_table::raise_no_layout();
            }

#define TOVL_KEYWORD(name, ...)                                                                    \
    TOVL_FORM(name) : {                                                                            \
        constexpr keyword_row row = row_of(keyword::name);                                         \
        if constexpr (traced) tracer->before(state, *line, lines[static_cast<size_t>(counter)]);   \
        bodies::name(state, *line);                                                                \
        if constexpr (traced) tracer->after(state);                                                \
        if constexpr (row.has(trait::ends_program)) return {run_end::ended_by_fendp};              \
        if constexpr (row.has(trait::jumps)) counter = state.line_counter;                         \
        if constexpr (row.has(trait::tests) || row.has(trait::ends_block)) TOVL_SKIP_TABLE();      \
        if constexpr (row.has(trait::new_layout)) {                                                \
            if (variables.layout_version() != layout) {                                            \
                layout = variables.layout_version();                                               \
                std::fill(program.begin(), program.end(), decoded_line());                         \
            }                                                                                      \
        }                                                                                          \
        goto next_line;                                                                            \
    }
#include "interp/keywords.def"
#undef TOVL_KEYWORD

#if !TOVL_COMPUTED_GOTO
        }
#endif
    next_line:
        ++counter;
        goto step;
    } catch (run_error& error) {
        if constexpr (traced) tracer->failed(state, error);
        error.place_at_line(static_cast<int>(line - code));
        return {run_end::failed, std::move(error)};
    } catch (const stop_requested&) {
        return {run_end::stopped};
    } catch (const std::bad_alloc&) {
        // A script can ask for more memory than there is (a text doubled again and again):
        // that is its run-time error, not a crash.
        run_error error(error_kind::out_of_memory, static_cast<int>(line - code));
        if constexpr (traced) tracer->failed(state, error);
        return {run_end::failed, std::move(error)};
    }
#undef TOVL_DISPATCH
#undef TOVL_FORM
#undef TOVL_SKIP_TABLE
}
// NOLINTEND(cppcoreguidelines-avoid-goto)

} // namespace tovl
