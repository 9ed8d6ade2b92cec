// Flow-control commands: "fendp", "fifvr" and "fgoto" ("endif" lives in the dispatcher).
#include "interp/interpreter.h"
#include "interp/numbers.h"
#include "interp/runerror.h"

namespace tovl {

// Ends the program at once; the executable closes the files and leaves with status 0.
void interpreter::cmdfendp(textview) {
    throw programend{};
}

// Compares two slots: "=" by their text forms, ">" by the leading numbers of their text forms.
// A failing condition sets the skip flag until the next "endif"; any other operator does
// nothing, not even convert the slot numbers.
void interpreter::cmdfifvr(textview line) {
    operands f = fields(line, 2);
    char16_t op = f.op(3);
    if (op == u'=') {
        const Value& a = f.slot(1);
        const Value& b = f.slot(2);
        text scratcha, scratchb;
        skipping = valuetextview(a, scratcha) != valuetextview(b, scratchb);
    } else if (op == u'>') {
        double xb = valueleadnumber(f.slot(2));
        double xa = valueleadnumber(f.slot(1));
        skipping = !(xa > xb);
    }
}

// Jumps to a 1-based line number: the counter is set to the number less 2 (the target text
// takes part in the arithmetic as a 64-bit number), and the runner's step after this line
// lands on it. A line that jumps again under the same layout reuses its target.
void interpreter::cmdfgoto(textview line) {
    if (current && current->jumplayout == vars.layoutversion()) {
        if (lastjump != current) gototext = current->jumptext;
        lastjump = current;
        curline = current->jump;
        return;
    }
    double index = strictnumber(vars.fieldrest(line, 1)) - 2;
    gototext.clear();
    appendvaluetext(gototext, Value::fromdouble(index));
    curline = roundint16(strictnumber(gototext));
    lastjump = current;
    if (current) {
        current->jumplayout = vars.layoutversion();
        current->jump = curline;
        current->jumptext = gototext;
    }
}

} // namespace tovl
