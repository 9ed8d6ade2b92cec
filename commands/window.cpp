// Window and dialog commands: "fprnt", "fnewl", "ftxtd", "ftitl", "fmsgb" and "finpt".
#include "interp/interpreter.h"

namespace tovl {

// Appends the slot's text form to the output; the caret goes back to the start.
void interpreter::cmdfprnt(textview line) {
    operands f = fields(line, 1);
    text scratch;
    host.appendouttext(valuetextview(f.slot(1), scratch));
}

void interpreter::cmdfnewl(textview) {
    host.appendouttext(u"\r\n");
}

// Puts the caret after the last character of the output and brings it into view.
void interpreter::cmdftxtd(textview) {
    host.setoutcaret(host.outtextlength());
}

void interpreter::cmdftitl(textview line) {
    host.setcaption(valuetext(fields(line, 1).slot(1)));
}

void interpreter::cmdfmsgb(textview line) {
    host.showmessage(valuetext(fields(line, 1).slot(1)));
}

// Asks with the prompt of field 2 and stores the answer as a text in the slot of field 1. The
// answer's slot is resolved only after the box has closed.
void interpreter::cmdfinpt(textview line) {
    operands f = fields(line, 2);
    text answer = host.askinput(valuetext(f.slot(2)));
    f.slot(1) = Value::fromtext(std::move(answer));
}

} // namespace tovl
