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
    textview first = vars.fieldtext(line, 1);
    textview second = vars.fieldtext(line, 2);
    textview op = columnslice(line, vars.argpos(3), 1);
    if (op == u"=") {
        const Value& a = vars.slotfor(first);
        const Value& b = vars.slotfor(second);
        skipping = valuetext(a) != valuetext(b);
    } else if (op == u">") {
        double xb = leadnumber(valuetext(vars.slotfor(second)));
        double xa = leadnumber(valuetext(vars.slotfor(first)));
        skipping = !(xa > xb);
    }
}

// Jumps to a 1-based line number: the counter is set to the number less 2, and the runner's
// step after this line lands on it.
void interpreter::cmdfgoto(textview line) {
    Value target = Value::fromtext(text(vars.fieldrest(line, 1)));
    Value index = valuesub(target, Value::fromint16(2));
    gototext = valuetext(index);
    curline = roundint16(strictnumber(gototext));
}

} // namespace tovl
