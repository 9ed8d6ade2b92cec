// The trace line of one script line: its number and text, then the changes it made.
#include "interp/run_trace.h"

#include "interp/numbers.h"

namespace tovl {

namespace {

bool same_value(const value& a, const value& b) {
    return a.kind() == b.kind() && value_text(a) == value_text(b);
}

text number_text(double n) {
    return value_text(value::from_double(n));
}

} // namespace

line_trace::line_trace(const run_state& state, text_view line)
    : layout_(state.variables.layout_version()), skipping_(state.skipping),
      counter_(state.line_counter) {
    if (!state.variables.has_layout()) return;
    for (int field = 1; field <= 3; ++field) {
        parsed_number number = parse_strict_number(state.variables.field_text(line, field));
        if (!number.ok() || !(number.number > -2147483648.5 && number.number < 2147483647.5)) {
            continue;
        }
        int32_t index = round_to_int32(number.number);
        if (!state.variables.is_slot(index)) continue;
        bool seen = false;
        for (const watched& w : watched_)
            seen = seen || w.index == index;
        if (!seen) watched_.push_back({index, state.variables.slot_value(index)});
    }
}

text line_trace::after(const run_state& state, text_view line) const {
    text out = number_text(counter_ + 1) + u": " + text(line);
    text changes;
    auto add = [&changes](const text& change) {
        changes += changes.empty() ? u"  " : u", ";
        changes += change;
    };
    if (state.variables.layout_version() != layout_) {
        add(u"table 0.." + number_text(static_cast<double>(state.variables.size()) - 1) +
            u", fields " + number_text(state.variables.field_width()) + u" wide");
    } else {
        for (const watched& w : watched_) {
            const value& now = state.variables.slot_value(w.index);
            if (!same_value(now, w.before)) {
                add(u"v" + number_text(w.index) + u" = " + described_value(now));
            }
        }
    }
    if (state.skipping && !skipping_) add(u"false: skipping to endif");
    if (line.substr(0, 5) == u"fifvr" && !state.skipping) add(u"true");
    if (state.line_counter != counter_) add(u"jump to line " + number_text(state.line_counter + 2));
    if (state.end_requested) add(u"end of program");
    return out + changes;
}

} // namespace tovl
