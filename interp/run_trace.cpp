// The trace line of one script line: its number and text, then the changes it made.
#include "interp/run_trace.h"

#include <charconv>

namespace tovl {

namespace {

// Whether a variable shows a change: another kind, or another text form. Equal bits print alike,
// so the text forms are made only for numbers whose bits differ.
bool same_value(const value& a, const value& b) {
    if (identical(a, b)) return true;
    bool numbers = a.kind() == value_kind::float32 || a.kind() == value_kind::float64;
    return numbers && a.kind() == b.kind() && value_text(a) == value_text(b);
}

void append_number(text& to, long long n) {
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    append_ascii(to, std::string_view(digits, static_cast<size_t>(end - digits)));
}

} // namespace

void line_tracer::before(const run_state& state, const decoded_line& decoded, text_ref line) {
    line_ = line;
    running_ = true;
    layout_ = state.variables.layout_version();
    skipping_ = state.skipping;
    counter_ = state.line_counter;
    std::optional<keyword> command = decoded.form == line_form::needs_layout
                                         ? find_keyword(line)
                                         : std::optional<keyword>(decoded.command());
    is_test_ = command && row_of(*command).has(trait::tests);
    watched_ = decoded_line::unread;
    if (command && decoded.form != line_form::needs_layout) {
        int field = row_of(*command).field_of('w');
        if (field != 0 && decoded.slots[field - 1] != decoded_line::unread) {
            watched_ = decoded.slots[field - 1];
            before_ = state.variables.slot_value(watched_);
        }
    }
}

void line_tracer::describe(const run_state& state) {
    out_.clear();
    append_number(out_, counter_ + 1);
    out_ += u": ";
    append_chars(out_, line_);
    bool first = true;
    auto add = [&](text_view change) {
        out_ += first ? u"  " : u", ";
        out_ += change;
        first = false;
    };
    if (state.variables.layout_version() != layout_) {
        add(u"table 0..");
        append_number(out_, static_cast<long long>(state.variables.size()) - 1);
        out_ += u", fields ";
        append_number(out_, state.variables.field_width());
        out_ += u" wide";
    } else if (watched_ != decoded_line::unread) {
        const value& now = state.variables.slot_value(watched_);
        if (!same_value(now, before_)) {
            add(u"v");
            append_number(out_, watched_);
            out_ += u" = ";
            out_ += described_value(now);
        }
    }
    if (state.skipping && !skipping_) add(u"false: skipping to endif");
    if (is_test_ && !state.skipping) add(u"true");
    if (state.line_counter != counter_) {
        add(u"jump to line ");
        append_number(out_, state.line_counter + 2);
    }
    if (state.end_requested) add(u"end of program");
}

void line_tracer::after(const run_state& state) {
    running_ = false;
    describe(state);
    write_(out_);
}

void line_tracer::failed(const run_state& state, const run_error& error) {
    if (!running_) return;
    running_ = false;
    describe(state);
    out_ += u"  Run-time error ";
    append_number(out_, error.number());
    write_(out_);
}

} // namespace tovl
