// Variable commands: "fnumv", "fsetv", "fcopy", "fappd", "fmath" and "frand".
#include "commands/commands.h"
#include "interp/numbers.h"
#include "interp/value.h"

namespace tovl::commands {

namespace {

bool is_number(const value& v) {
    try {
        value_double(v);
        return true;
    } catch (const run_error&) {
        return false;
    }
}

// Adds to an arithmetic error the values it was computed from, which the line does not show:
// for a type mismatch the texts that are no numbers, otherwise every value.
void add_values(run_error& error, operands& f, int first, int last) {
    if (error.cause().empty()) {
        bool mismatch = error.kind() == error_kind::type_mismatch;
        text cause;
        const value* shown = nullptr;
        for (int field = first; field <= last; ++field) {
            const value& v = f.slot(field);
            if (&v == shown || (mismatch && is_number(v))) continue;
            shown = &v;
            if (!cause.empty()) cause += u", ";
            cause += u"variable " + value_text(value::from_double(f.number(field)));
            cause += (mismatch ? u" holds " : u" is ") + described_value(v);
            if (mismatch) cause += u", which is not a number";
        }
        error.set_cause(std::move(cause));
    }
}

} // namespace

// The number is everything from column 6 to the end of the line. A bad number changes
// nothing; a good one empties the table and sets the layout for its width.
void fnumv(run_state& state, text_view line) {
    text_view written = column_slice(line, 6, line.size());
    parsed_number number = parse_strict_number(written);
    if (!number.ok()) {
        throw run_error(*number.error)
            .because(u"fnumv takes the highest variable number from column 6 on, and \"" +
                     text(written) + u"\" is no number");
    }
    state.variables.rebuild(round_to_int16(number.number), state.line_counter);
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
    try {
        to = value_add(a, b);
    } catch (run_error& error) {
        add_values(error, f, 1, 2);
        throw;
    }
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
        try {
            float a = value_single(f.slot(1));
            float b = value_single(f.slot(2));
            value& to = f.slot(3);
            float sum = a + b; // one rounding, never widened: a sum past the range overflows
            to.set_single(to_single(sum));
        } catch (run_error& error) {
            add_values(error, f, 1, 2);
            throw;
        }
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
    try {
        to = operation(a, b);
    } catch (run_error& error) {
        add_values(error, f, 1, 2);
        throw;
    }
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
    try {
        value span = value_add(value_sub(high_bound, low_bound), value::from_int16(1));
        value result = value_add(value_floor(value_mul(span, value::from_single(r))), low_bound);
        to = std::move(result);
    } catch (run_error& error) {
        add_values(error, f, 1, 2);
        throw;
    }
}

} // namespace tovl::commands
