// The checker's trial: the script run in a world without outside, watched for exact repeats.
#include "check/script_trial.h"

#include "check/check_words.h"
#include "interp/decoded_line.h"
#include "interp/interpreter.h"
#include "interp/keyword.h"
#include "interp/script_text.h"
#include "interp/value.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <utility>

namespace tovl {

namespace {

using trial_clock = std::chrono::steady_clock;

// The most lines of one pass of a loop that are kept to explain why it repeats.
constexpr size_t most_pass_steps = 100000;

// Everything a script can reach. Output, titles and messages go nowhere; every call whose
// result comes from outside ends the trial there, before it has any effect.
class closed_world final : public script_host,
                           public system_services,
                           public file_services,
                           public random_source {
  public:
    bool reached = false; // the run stopped at a line that needs the outside

    void append_output(text_ref /*more*/) override {}
    void move_caret_to_end() override {}
    void set_caption(const text& /*caption*/) override {}
    void show_message(const text& /*message*/) override {}
    text ask(const text& /*prompt*/) override { outside(); }

    void launch(text_view /*command_line*/, window_style /*style*/) override { outside(); }
    void open_cd_tray() override { outside(); }
    void close_cd_tray() override { outside(); }
    void shut_down_after(int16_t /*seconds*/) override { outside(); }

    void open(int /*number*/, text_view /*name*/, file_mode /*mode*/,
              int64_t /*expected_size*/) override {
        outside();
    }
    int64_t encoded_size(text_ref chars) const override {
        return static_cast<int64_t>(chars.size());
    }
    int64_t length(int /*number*/) override { outside(); }
    void append_line(int /*number*/, compact_text& /*to*/) override { outside(); }
    bool at_end(int /*number*/) override { outside(); }
    void write(int /*number*/, text_ref /*chars*/) override { outside(); }
    void close(int /*number*/) override { outside(); }
    void delete_matching(text_view /*name*/) override { outside(); }
    void copy(text_view /*source*/, text_view /*destination*/) override { outside(); }

    void reseed() override { outside(); }
    float next() override { outside(); }

  private:
    [[noreturn]] void outside() {
        reached = true;
        throw stop_requested{};
    }
};

// Everything the rest of a run depends on, at a pause point: the line counter (the next line
// is the one after it), the skip flag, the layout and every variable.
struct run_snapshot {
    int16_t counter = 0;
    bool skipping = false;
    int width = 0;
    std::vector<value> slots;

    explicit run_snapshot(const run_state& s)
        : counter(s.line_counter), skipping(s.skipping), width(s.variables.field_width()) {
        slots.reserve(s.variables.size());
        for (size_t i = 0; i < s.variables.size(); ++i)
            slots.push_back(s.variables.slot_value(static_cast<int32_t>(i)));
    }

    bool matches(const run_state& s) const {
        if (s.line_counter != counter || s.skipping != skipping ||
            s.variables.field_width() != width || s.variables.size() != slots.size())
            return false;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (!identical(slots[i], s.variables.slot_value(static_cast<int32_t>(i)))) return false;
        }
        return true;
    }
};

// One line of a pass of a loop, as it ran: what a test compared, what a line wrote.
struct pass_step {
    int line = 0; // 0-based
    bool ran = false;
    decoded_line decoded;
    value first, second; // a test's operands, before it ran
    int16_t written = decoded_line::unread;
    value written_before, written_after;
};

// A value as the error reports describe it, but a whole number in all its digits, since a
// loop can hang on the digits that the printed form rounds away (16777216, not 1.677722E+07).
text exact_words(const value& v) {
    double d = 0;
    if (v.kind() == value_kind::float32) d = v.as_single();
    if (v.kind() == value_kind::float64) d = v.as_double();
    if ((v.kind() == value_kind::float32 || v.kind() == value_kind::float64) &&
        std::fabs(d) < 9007199254740992.0 && d == std::floor(d))
        return number_text(static_cast<long long>(d));
    return described_value(v);
}

// The first and the last line (0-based) that a pass of a loop goes through.
std::pair<int, int> pass_span(const std::vector<pass_step>& pass) {
    auto [low, high] =
        std::minmax_element(pass.begin(), pass.end(),
                            [](const pass_step& a, const pass_step& b) { return a.line < b.line; });
    return {low->line, high->line};
}

text line_words(int index) {
    return u"line " + number_text(static_cast<long long>(index) + 1);
}

text variable_words(int16_t slot) {
    return u"variable " + number_text(slot);
}

// A float sum that rounds back to where it was: "variable 1 stops at 16777216: a 32-bit sum
// cannot grow by 1 past 2^24".
std::optional<text> stuck_sum(const pass_step& step, const value& operand) {
    if (step.written_after.kind() != value_kind::float32) return std::nullopt;
    float at = step.written_after.as_single();
    if (!std::isfinite(at) || std::fabs(at) < 16777216.0F) return std::nullopt;
    int power = static_cast<int>(std::floor(std::log2(std::fabs(at))));
    text change = step.decoded.op == u'-' ? u"shrink" : u"grow";
    return variable_words(step.written) + u" stops at " + exact_words(step.written_after) +
           u": a 32-bit sum cannot " + change + u" by " +
           (operand.kind() == value_kind::text ? value_text(operand) : exact_words(operand)) +
           u" past 2^" + number_text(power);
}

// Why a variable that a test compares is the same on every pass.
text why_unchanged(const std::vector<pass_step>& pass, int16_t slot) {
    const pass_step* last = nullptr;
    for (const pass_step& step : pass) {
        if (step.ran && step.written == slot) last = &step;
    }
    if (!last) return u"nothing in the loop changes " + variable_words(slot);
    keyword k = last->decoded.command();
    if (k == keyword::fmath && identical(last->written_before, last->written_after) &&
        (last->decoded.op == u'+' || last->decoded.op == u'-')) {
        // record() keeps the operand that the sum adds in `first`.
        if (std::optional<text> stuck = stuck_sum(*last, last->first)) return *stuck;
    }
    return line_words(last->line) + u" sets " + variable_words(slot) + u" to " +
           exact_words(last->written_after) + u" on every pass";
}

// "lines 10 to 17 come back ...; line 10 sets variable 2 to 1 on every pass, so the test at
// line 17 always compares 9 with 1".
text loop_story(const std::vector<pass_step>& pass, bool whole) {
    auto [first, last] = pass_span(pass);
    text out = u"lines " + number_text(first + 1) + u" to " + number_text(last + 1) +
               u" come back with every variable as it was";
    if (!whole) return out;
    std::vector<int16_t> compared;
    text tests;
    for (const pass_step& step : pass) {
        if (!step.ran || step.decoded.command() != keyword::fifvr) continue;
        if (!tests.empty()) tests += u", and ";
        tests += u"the test at " + line_words(step.line) + u" always compares " +
                 exact_words(step.first) + u" with " + exact_words(step.second);
        for (int16_t slot : {step.decoded.slots[0], step.decoded.slots[1]}) {
            if (slot != decoded_line::unread &&
                std::find(compared.begin(), compared.end(), slot) == compared.end())
                compared.push_back(slot);
        }
    }
    if (tests.empty()) return out + u", and no fifvr runs in the loop, so nothing can leave it";
    // A variable that nothing changes is named only when no other reason is known.
    std::vector<text> reasons, unchanged;
    for (int16_t slot : compared) {
        text why = why_unchanged(pass, slot);
        (why.starts_with(u"nothing") ? unchanged : reasons).push_back(std::move(why));
    }
    if (reasons.empty()) reasons = std::move(unchanged);
    text said;
    for (const text& why : reasons)
        said += (said.empty() ? u"" : u"; ") + why;
    return out + u": " + said + u", so " + tests;
}

// How one run of the trial ended.
struct trial_run {
    enum class end { finished, ended_by_fendp, failed, outside, endless, unknown };
    end how = end::unknown;
    run_error error{error_kind::invalid_argument};
    int line = 0;                // the failing, the outside or the closing line (0-based)
    std::vector<pass_step> pass; // one pass of an endless loop
    bool whole_pass = false;
};

class script_trial {
  public:
    script_trial(text_view script, const command_set& commands, const trial_limits& limits)
        : script_(script), lines_(split_lines(script)),
          interpreter_(run_services{world_, world_, world_, world_}, commands),
          deadline_(trial_clock::now() + std::chrono::duration_cast<trial_clock::duration>(
                                             std::chrono::duration<double>(limits.seconds))),
          look_every_(limits.look_every), interrupted_(limits.interrupted) {
        interpreter_.set_step_budget(limits.lines);
        interpreter_.set_pause_point([this] { return at_pause(); }, limits.look_every);
    }

    std::vector<diagnostic> run();

  private:
    enum class phase { watching, recording, done };

    trial_run run_once();
    bool at_pause();
    void record(const run_state& s);
    void report_loop(const trial_run& r, std::vector<diagnostic>& found, text_view prefix);
    text second_run_words(const trial_run& first, const trial_run& second);

    text_view script_;
    std::vector<text_view> lines_;
    closed_world world_;
    interpreter interpreter_;
    trial_clock::time_point deadline_;
    uint32_t look_every_;
    std::function<bool()> interrupted_;

    phase phase_ = phase::watching;
    uint64_t looks_ = 0;
    uint64_t next_save_ = 1;
    std::optional<run_snapshot> saved_;
    std::vector<pass_step> pass_;
    bool pass_complete_ = false;
};

// Brent's cycle finding on the states seen at the pause points: the state is kept at looks
// spaced ever wider apart (by a quarter each time, so a loop is found soon after it starts),
// and each look compares the state with the one kept; once the spacing is as long as the loop
// and the kept state inside it, the loop's state comes back. A match is an
// exact repeat, so the run can never end; one more pass is then run line by line and kept.
bool script_trial::at_pause() {
    const run_state& s = interpreter_.state();
    if (phase_ == phase::recording) {
        record(s);
        return phase_ == phase::done;
    }
    if (trial_clock::now() > deadline_ || (interrupted_ && interrupted_())) return true;
    ++looks_;
    if (saved_ && saved_->matches(s)) {
        phase_ = phase::recording;
        interpreter_.set_pause_interval(1);
        record(s);
        return false;
    }
    if (looks_ == next_save_) {
        saved_.emplace(s);
        next_save_ += std::max<uint64_t>(1, next_save_ / 4);
    }
    return false;
}

// Called before each line of the pass: finishes the line before, then starts this one, until
// the state is back where the pass began.
void script_trial::record(const run_state& s) {
    const variable_table& variables = s.variables;
    if (!pass_.empty()) {
        pass_step& before = pass_.back();
        if (before.written != decoded_line::unread && variables.is_slot(before.written))
            before.written_after = variables.slot_value(before.written);
        if (saved_->matches(s) || pass_.size() == most_pass_steps) {
            pass_complete_ = pass_.size() < most_pass_steps;
            phase_ = phase::done;
            return;
        }
    }
    pass_step step;
    step.line = s.line_counter + 1;
    if (static_cast<size_t>(step.line) >= lines_.size()) return;
    step.decoded = decode_line(lines_[static_cast<size_t>(step.line)], variables);
    bool command = step.decoded.form > line_form::needs_layout;
    step.ran = command && (!s.skipping || runs_while_skipping(step.decoded.form));
    if (step.ran) {
        const keyword_row& row = row_of(step.decoded.command());
        auto value_of = [&](int field) {
            int16_t slot = step.decoded.slots[field - 1];
            return variables.is_slot(slot) ? variables.slot_value(slot) : value();
        };
        if (row.has(trait::tests)) step.first = value_of(1), step.second = value_of(2);
        if (int field = row.field_of('w'); field > 0) {
            step.written = step.decoded.slots[field - 1];
            step.written_before = value_of(field);
            // What "fmath" adds: the operand that is not the variable written.
            if (step.decoded.command() == keyword::fmath)
                step.first = value_of(step.decoded.slots[0] == step.written ? 2 : 1);
        }
    }
    pass_.push_back(std::move(step));
}

trial_run script_trial::run_once() {
    phase_ = phase::watching;
    looks_ = 0;
    next_save_ = 1;
    saved_.reset();
    pass_.clear();
    pass_complete_ = false;
    interpreter_.set_pause_interval(look_every_);
    run_outcome outcome = interpreter_.run(script_);
    trial_run r;
    r.line = interpreter_.state().line_counter;
    switch (outcome.end) {
    case run_end::finished: r.how = trial_run::end::finished; break;
    case run_end::ended_by_fendp: r.how = trial_run::end::ended_by_fendp; break;
    case run_end::failed:
        // Memory depends on the machine the script runs on: a trial out of it knows nothing.
        if (outcome.error.kind() == error_kind::out_of_memory ||
            outcome.error.line() == run_error::no_line)
            break;
        r.how = trial_run::end::failed;
        r.line = outcome.error.line();
        r.error = std::move(outcome.error);
        break;
    case run_end::stopped:
        if (world_.reached) {
            r.how = trial_run::end::outside;
        } else if (phase_ == phase::done && !pass_.empty()) {
            r.how = trial_run::end::endless;
            r.pass = std::move(pass_);
            r.whole_pass = pass_complete_;
        }
        break;
    case run_end::step_budget_spent: break;
    }
    return r;
}

// The loop is reported at the jump that closes it: the last "fgoto" of the pass that jumps
// back to the pass's first line, or else the last one that jumps back at all.
void script_trial::report_loop(const trial_run& r, std::vector<diagnostic>& found,
                               text_view prefix) {
    int first = pass_span(r.pass).first;
    std::optional<int> closing, back;
    for (size_t i = 0; i < r.pass.size(); ++i) {
        const pass_step& step = r.pass[i];
        if (!step.ran || !row_of(step.decoded.command()).has(trait::jumps)) continue;
        int target = r.pass[(i + 1) % r.pass.size()].line;
        if (target > step.line) continue;
        back = step.line;
        if (target == first) closing = step.line;
    }
    int at = closing.value_or(back.value_or(r.pass.back().line));
    found.push_back({at + 1, 1, check_level::warning,
                     text(prefix) + u"this " +
                         (back ? u"fgoto closes a loop that never ends: "
                               : u"line is in a loop that never ends: ") +
                         loop_story(r.pass, r.whole_pass)});
}

text script_trial::second_run_words(const trial_run& first, const trial_run& second) {
    text start = u"the second run, from line 1 with the variables the first run left, ";
    switch (second.how) {
    case trial_run::end::finished: return start + u"then runs to the end";
    case trial_run::end::ended_by_fendp:
        return start + u"then ends at the fendp on " + line_words(second.line);
    case trial_run::end::failed:
        if (second.line == first.line && second.error.kind() == first.error.kind())
            return start + u"fails here again, which ends the program";
        return start + u"fails at " + line_words(second.line) + u" with run-time error " +
               number_text(second.error.number()) + u" (" + from_ascii(second.error.description()) +
               u"), which ends the program";
    case trial_run::end::outside:
        return start + u"goes on to " + line_words(second.line) +
               u", whose result comes from outside the script";
    case trial_run::end::endless: return start + u"never ends: see the warning about its loop";
    case trial_run::end::unknown: break;
    }
    return start + u"runs longer than the checker tries it";
}

std::vector<diagnostic> script_trial::run() {
    std::vector<diagnostic> found;
    trial_run first = run_once();
    if (first.how == trial_run::end::endless) report_loop(first, found, u"");
    if (first.how != trial_run::end::failed) return found;
    trial_run second = run_once();
    text cause = first.error.cause().empty() ? text() : u": " + first.error.cause();
    keyword k = find_keyword(lines_[static_cast<size_t>(first.line)]).value_or(keyword::fendp);
    found.push_back({first.line + 1, 1, check_level::error,
                     u"when the script runs, " + failure_words(k, first.error.kind()) + cause +
                         u"; " + second_run_words(first, second)});
    if (second.how == trial_run::end::endless) report_loop(second, found, u"in the second run, ");
    return found;
}

} // namespace

std::vector<diagnostic> try_script(text_view script, const command_set& commands,
                                   const trial_limits& limits) {
    return script_trial(script, commands, limits).run();
}

} // namespace tovl
