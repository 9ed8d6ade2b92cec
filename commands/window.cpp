// Window and dialog commands: "fprnt", "fnewl", "ftxtd", "ftitl", "fmsgb" and "finpt".
#include "interp/interpreter.h"

namespace tovl {

// Appends the slot's text form to the output; the caret goes back to the start.
void interpreter::cmdfprnt(textview line) {
    textview field = vars.fieldtext(line, 1);
    const Value& v = vars.slotfor(field);
    if (v.kind() == ValueKind::Text) {
        host.appendouttext(v.textpart());
    } else {
        host.appendouttext(valuetext(v));
    }
}

void interpreter::cmdfnewl(textview) {
    host.appendouttext(u"\r\n");
}

// Puts the caret after the last character of the output and brings it into view.
void interpreter::cmdftxtd(textview) {
    host.setoutcaret(host.outtextlength());
}

void interpreter::cmdftitl(textview line) {
    host.setcaption(valuetext(vars.fieldslot(line, 1)));
}

void interpreter::cmdfmsgb(textview line) {
    host.showmessage(valuetext(vars.fieldslot(line, 1)));
}

// Asks with the prompt of field 2 and stores the answer as a text in the slot of field 1. The
// answer's slot is resolved only after the box has closed.
void interpreter::cmdfinpt(textview line) {
    textview answerfield = vars.fieldtext(line, 1);
    textview promptfield = vars.fieldtext(line, 2);
    text answer = host.askinput(valuetext(vars.slotfor(promptfield)));
    vars.slotfor(answerfield) = Value::fromtext(std::move(answer));
}

} // namespace tovl
