// Flow-control commands: the error of a jump whose target is no line number.
#include "commands/flow.h"

#include "interp/numbers.h"
#include "interp/operand_layout.h"

namespace tovl::commands {

void compare(run_state& state, operands f) {
    if (f.op() == u'=') {
        const value& a = f.slot(1);
        const value& b = f.slot(2);
        state.skipping = !same_text_form(a, b);
    } else if (f.op() == u'>') {
        double b = value_lead_number(f.slot(2));
        double a = value_lead_number(f.slot(1));
        state.skipping = !(a > b);
    }
}

void raise_jump_error(text_ref line) {
    text_ref target = after_keyword(line);
    parsed_number number = parse_strict_number(target);
    if (!number.ok()) {
        throw run_error(*number.error)
            .because(u"fgoto takes a line number from column 6 on, and \"" + widened(target) +
                     u"\" is no number");
    }
    throw run_error(error_kind::overflow); // beyond the 16-bit line counter
}

} // namespace tovl::commands
