// A command's operands, taken from its decoded line; the line's text is read only on the error
// path, to raise the error a field gives.
#pragma once

#include "interp/decoded_line.h"
#include "interp/run_error.h"
#include "interp/run_state.h"
#include "interp/script_text.h"
#include "interp/text.h"
#include "interp/variable_table.h"

#include <cstdint>

namespace tovl {

// The error that reading field `field` of `line` raises: no layout, a field that is no number
// or too large, a variable outside the table. Each is raised at the point the command uses the
// field, so that what a command does before it stays done, as the language has it.
[[noreturn, gnu::cold]] void raise_slot_error(const variable_table& variables, text_ref line,
                                              int field);
// A field read strictly as a number: type mismatch or overflow when it is none.
[[gnu::cold]] double field_number(const variable_table& variables, text_ref line, int field);

// A handler's operands: its line's decoding, with the variable table and the line's text found
// through the run's state. Two references, passed by value in two registers: cheap to make
// for every line, and cheap to hand to a handler's general path.
class operands {
  public:
    operands(run_state& state, const decoded_line& decoded) : state_(state), decoded_(decoded) {}

    // The variable that field `field` (1 to 3) names.
    [[gnu::always_inline]] value& slot(int field) const {
        int16_t index = decoded_.slots[field - 1];
        if (index == decoded_line::unread) [[unlikely]]
            raise_slot_error(state_.variables, line(), field);
        return state_.variables.table_start()[index];
    }
    // The variable of field `field` on a line whose fields all decoded (complete()).
    [[gnu::always_inline]] value& decoded_slot(int field) const {
        return state_.variables.table_start()[decoded_.slots[field - 1]];
    }
    // The operator column's character; 0 when the line ends before it.
    char16_t op() const { return decoded_.op; }
    // True when no field needs its text read: every field decoded.
    bool complete() const { return decoded_.complete; }
    // The number decoded from the line: the line counter of "fgoto", N of "fnumv", the seconds of
    // "sshdn". Meaningful when complete().
    int16_t decoded_number() const { return decoded_.number; }
    // The text operand: the line from its column on.
    text_ref text() const { return column_slice(line(), decoded_.column, text_view::npos); }
    // The field read strictly as a number, for the error path of a command whose fields did not
    // all decode.
    double number(int field) const { return field_number(state_.variables, line(), field); }
    // The line being run, as written.
    text_ref line() const { return (*state_.line_texts)[static_cast<size_t>(state_.line_counter)]; }

  private:
    run_state& state_;
    const decoded_line& decoded_;
};

} // namespace tovl
