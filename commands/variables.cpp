// Variable commands: the table, joining, random numbers, and the arithmetic's errors.
#include "commands/variables.h"

#include "interp/operand_layout.h"

namespace tovl::commands {

namespace {

// Adds to an arithmetic error the values of fields 1 and 2 it was computed from, which the line
// does not show: for a type mismatch the texts that are no numbers, otherwise every value.
void add_values(run_error& error, const operands& f) {
    if (!error.cause().empty()) return;
    bool mismatch = error.kind() == error_kind::type_mismatch;
    text cause;
    const value* shown = nullptr;
    for (int field = 1; field <= 2; ++field) {
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

// Runs a computation from the values of fields 1 and 2; an error it raises names them.
template <typename computation> void naming_values(const operands& f, computation compute) {
    try {
        compute();
    } catch (run_error& error) {
        add_values(error, f);
        throw;
    }
}

} // namespace

// The number is everything from column 6 to the end of the line. A bad number changes
// nothing; a good one empties the table and sets the layout for its width.
void fnumv(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    if (!f.complete()) {
        text_ref written = after_keyword(f.line());
        parsed_number number = parse_strict_number(written);
        if (!number.ok()) {
            throw run_error(*number.error)
                .because(u"fnumv takes the highest variable number from column 6 on, and \"" +
                         widened(written) + u"\" is no number");
        }
        throw run_error(error_kind::overflow); // beyond the 16-bit integers
    }
    state.variables.rebuild(f.decoded_number(), state.line_counter);
}

// Joins two texts or adds two numbers into the variable of field 3. Joining a variable's text
// with another into that same variable appends in place.
void fappd(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    const value& a = f.slot(1);
    const value& b = f.slot(2);
    value& to = f.slot(3);
    if (&to == &a && a.kind() == value_kind::text && b.kind() == value_kind::text) {
        to.append_text(b.as_text());
        return;
    }
    naming_values(f, [&] { to = value_add(a, b); });
}

void compute(operands f) {
    for (int field = 1; field <= 3; ++field)
        to_single(f.number(field)); // always passes for a field that names a variable
    value (*operation)(const value&, const value&) = nullptr;
    switch (f.op()) {
    case u'+':
        naming_values(f, [&] {
            float a = value_single(f.slot(1));
            float b = value_single(f.slot(2));
            value& to = f.slot(3);
            to.set_single(to_single(a + b));
        });
        return;
    case u'-': operation = value_sub; break;
    case u'*': operation = value_mul; break;
    case u'/': operation = value_div; break;
    default: return;
    }
    const value& a = f.slot(1);
    const value& b = f.slot(2);
    value& to = f.slot(3);
    naming_values(f, [&] { to = operation(a, b); });
}

// A random integer from the low bound (field 1) to the high bound (field 2), computed with the
// dynamic arithmetic as floor((high - low + 1) * r) + low.
void frand(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    state.random.reseed();
    const value& high_bound = f.slot(2);
    f.slot(1); // checked before the draw, so a bad low bound draws nothing
    float r = state.random.next();
    const value& low_bound = f.slot(1);
    value& to = f.slot(3);
    naming_values(f, [&] {
        value span = value_add(value_sub(high_bound, low_bound), value::from_int16(1));
        to = value_add(value_floor(value_mul(span, value::from_single(r))), low_bound);
    });
}

} // namespace tovl::commands
