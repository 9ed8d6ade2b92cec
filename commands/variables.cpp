// Variable commands: "fsetv", "fcopy", "fappd", "fmath" and "frand".
#include "interp/interpreter.h"
#include "interp/numbers.h"
#include "interp/runerror.h"
#include "platform/random.h"

namespace tovl {

// Stores the rest of the line from field 2, untrimmed, as a text.
void interpreter::cmdfsetv(textview line) {
    operands f = fields(line, 2);
    textview literal = f.rest(2);
    f.slot(1) = Value::fromtext(text(literal));
}

void interpreter::cmdfcopy(textview line) {
    operands f = fields(line, 2);
    const Value& from = f.slot(1);
    Value& to = f.slot(2);
    if (&from != &to) to = from;
}

// Joins two texts or adds two numbers into the slot of field 3. Joining a slot's text with
// another into that same slot appends in place.
void interpreter::cmdfappd(textview line) {
    operands f = fields(line, 3);
    const Value& a = f.slot(1);
    const Value& b = f.slot(2);
    Value& to = f.slot(3);
    if (&to == &a && a.kind() == ValueKind::Text && b.kind() == ValueKind::Text) {
        to.appendtext(b.textpart());
        return;
    }
    to = valueadd(a, b);
}

// The slot fields of "fmath" are read as 32-bit floats first, so a field beyond the float range
// fails before the operator is looked at. Rounding such a float to a slot number gives the
// slot that rounding the field's own number gives (a field has at most five characters), so
// the slots are then resolved as for any command. "+" adds in 32-bit floating point and
// stores a Float32; "-", "*", "/" follow the dynamic arithmetic; any other operator does
// nothing.
void interpreter::cmdfmath(textview line) {
    operands f = fields(line, 3);
    for (int field = 1; field <= 3; ++field)
        tosingle(f.number(field));
    char16_t op = f.op(4);
    if (op == u'+') {
        float a = valuesingle(f.slot(1));
        float b = valuesingle(f.slot(2));
        Value& to = f.slot(3);
        float sum = a + b; // one rounding, never widened: a sum past the range overflows
        to.setsingle(tosingle(sum));
        return;
    }
    Value (*operation)(const Value&, const Value&) = nullptr;
    if (op == u'-')
        operation = valuesub;
    else if (op == u'*')
        operation = valuemul;
    else if (op == u'/')
        operation = valuediv;
    else
        return;
    const Value& a = f.slot(1);
    const Value& b = f.slot(2);
    Value& to = f.slot(3);
    to = operation(a, b);
}

// A random integer from the low bound (field 1) to the high bound (field 2), computed with the
// dynamic arithmetic as floor((high - low + 1) * r) + low.
void interpreter::cmdfrand(textview line) {
    randomreseed();
    operands f = fields(line, 3);
    const Value& hi = f.slot(2);
    f.slot(1); // checked before the draw, so a bad low bound draws nothing
    float r = randomnext();
    const Value& lo = f.slot(1);
    Value& to = f.slot(3);
    Value span = valueadd(valuesub(hi, lo), Value::fromint16(1));
    Value result = valueadd(valuefloor(valuemul(span, Value::fromsingle(r))), lo);
    to = std::move(result);
}

} // namespace tovl
