// Variable commands: "fnumv", "fsetv", "fcopy", "fappd", "fmath" and "frand".
#include "commands/commands.h"
#include "interp/numbers.h"
#include "interp/value.h"

namespace tovl::commands {

// The number is everything from column 6 to the end of the line. A bad number changes
// nothing; a good one empties the table and sets the layout for its width.
void fnumv(run_state& state, text_view line) {
    int16_t n = round_to_int16(strict_number(column_slice(line, 6, line.size())));
    state.variables.rebuild(n);
}

// Stores the rest of the line from field 2, untrimmed, as a text.
void fsetv(run_state& state, text_view line) {
    operands f = state.fields(line);
    text_view literal = f.rest(2);
    f.slot(1) = value::from_text(text(literal));
}

void fcopy(run_state& state, text_view line) {
    operands f = state.fields(line);
    const value& from = f.slot(1);
    value& to = f.slot(2);
    if (&from != &to) to = from;
}

// Joins two texts or adds two numbers into the slot of field 3. Joining a slot's text with
// another into that same slot appends in place.
void fappd(run_state& state, text_view line) {
    operands f = state.fields(line);
    const value& a = f.slot(1);
    const value& b = f.slot(2);
    value& to = f.slot(3);
    if (&to == &a && a.kind() == value_kind::text && b.kind() == value_kind::text) {
        to.append_text(b.as_text());
        return;
    }
    to = value_add(a, b);
}

// The slot fields of "fmath" are read as 32-bit floats first, so a field beyond the float range
// fails before the operator is looked at. Rounding such a float to a slot number gives the
// slot that rounding the field's own number gives (a field has at most five characters), so
// the slots are then resolved as for any command. "+" adds in 32-bit floating point and
// stores a Float32; "-", "*", "/" follow the dynamic arithmetic; any other operator does
// nothing.
void fmath(run_state& state, text_view line) {
    operands f = state.fields(line);
    for (int field = 1; field <= 3; ++field)
        to_single(f.number(field));
    char16_t op = f.operator_at(4);
    if (op == u'+') {
        float a = value_single(f.slot(1));
        float b = value_single(f.slot(2));
        value& to = f.slot(3);
        float sum = a + b; // one rounding, never widened: a sum past the range overflows
        to.set_single(to_single(sum));
        return;
    }
    value (*operation)(const value&, const value&) = nullptr;
    if (op == u'-')
        operation = value_sub;
    else if (op == u'*')
        operation = value_mul;
    else if (op == u'/')
        operation = value_div;
    else
        return;
    const value& a = f.slot(1);
    const value& b = f.slot(2);
    value& to = f.slot(3);
    to = operation(a, b);
}

// A random integer from the low bound (field 1) to the high bound (field 2), computed with the
// dynamic arithmetic as floor((high - low + 1) * r) + low.
void frand(run_state& state, text_view line) {
    state.random.reseed();
    operands f = state.fields(line);
    const value& high_bound = f.slot(2);
    f.slot(1); // checked before the draw, so a bad low bound draws nothing
    float r = state.random.next();
    const value& low_bound = f.slot(1);
    value& to = f.slot(3);
    value span = value_add(value_sub(high_bound, low_bound), value::from_int16(1));
    value result = value_add(value_floor(value_mul(span, value::from_single(r))), low_bound);
    to = std::move(result);
}

} // namespace tovl::commands
