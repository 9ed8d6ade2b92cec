// Variable commands: "fsetv", "fcopy", "fappd", "fmath" and "frand".
#include "interp/interpreter.h"
#include "interp/numbers.h"
#include "interp/runerror.h"
#include "platform/random.h"

namespace tovl {

// Stores the rest of the line from field 2, untrimmed, as a text.
void interpreter::cmdfsetv(textview line) {
    textview destination = vars.fieldtext(line, 1);
    textview literal = vars.fieldrest(line, 2);
    vars.slotfor(destination) = Value::fromtext(text(literal));
}

void interpreter::cmdfcopy(textview line) {
    textview source = vars.fieldtext(line, 1);
    textview destination = vars.fieldtext(line, 2);
    const Value& from = vars.slotfor(source);
    Value& to = vars.slotfor(destination);
    if (&from != &to) to = from;
}

// Joins two texts or adds two numbers into the slot of field 3.
void interpreter::cmdfappd(textview line) {
    textview left = vars.fieldtext(line, 1);
    textview right = vars.fieldtext(line, 2);
    textview destination = vars.fieldtext(line, 3);
    const Value& a = vars.slotfor(left);
    const Value& b = vars.slotfor(right);
    Value& to = vars.slotfor(destination);
    to = valueadd(a, b);
}

// The slot fields of "fmath" are read as 32-bit floats first and rounded when used. "+" adds in
// 32-bit floating point and stores a Float32; "-", "*", "/" follow the dynamic arithmetic; any
// other operator does nothing.
void interpreter::cmdfmath(textview line) {
    float left = tosingle(strictnumber(vars.fieldtext(line, 1)));
    float right = tosingle(strictnumber(vars.fieldtext(line, 2)));
    float destination = tosingle(strictnumber(vars.fieldtext(line, 3)));
    textview op = columnslice(line, vars.argpos(4), 1);
    auto slotat = [this](float number) -> Value& { return vars.slot(roundint32(number)); };
    if (op == u"+") {
        float a = valuesingle(slotat(left));
        float b = valuesingle(slotat(right));
        Value& to = slotat(destination);
        float sum = a + b; // one rounding, never widened: a sum past the range overflows
        to = Value::fromsingle(tosingle(sum));
        return;
    }
    Value (*operation)(const Value&, const Value&) = nullptr;
    if (op == u"-")
        operation = valuesub;
    else if (op == u"*")
        operation = valuemul;
    else if (op == u"/")
        operation = valuediv;
    else
        return;
    const Value& a = slotat(left);
    const Value& b = slotat(right);
    Value& to = slotat(destination);
    to = operation(a, b);
}

// A random integer from the low bound (field 1) to the high bound (field 2), computed with the
// dynamic arithmetic as floor((high - low + 1) * r) + low.
void interpreter::cmdfrand(textview line) {
    randomreseed();
    textview low = vars.fieldtext(line, 1);
    textview high = vars.fieldtext(line, 2);
    textview destination = vars.fieldtext(line, 3);
    const Value& hi = vars.slotfor(high);
    vars.slotfor(low); // checked before the draw, so a bad low bound draws nothing
    float r = randomnext();
    const Value& lo = vars.slotfor(low);
    Value& to = vars.slotfor(destination);
    Value span = valueadd(valuesub(hi, lo), Value::fromint16(1));
    Value result = valueadd(valuefloor(valuemul(span, Value::fromsingle(r))), lo);
    to = std::move(result);
}

} // namespace tovl
