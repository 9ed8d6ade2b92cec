// The operand fields of one command line, read through the line's cache.
#pragma once

#include "interp/runerror.h"
#include "interp/text.h"
#include "interp/variables.h"

#include <cstdint>

namespace tovl {

// What reading a line's operand fields found, kept for the rest of the run: a line that runs
// again under the same operand layout reads no field text a second time. A number is cached
// together with the error its text gives, so a cached field fails exactly like a fresh one.
struct fieldcache {
    struct entry {
        bool read = false;
        bool failed = false;
        errorkind error = errorkind::typemismatch;
        double number = 0;
    };
    uint32_t layout = 0; // the layout version the entries belong to; 0 for none
    entry fields[4];
};

// A handler's view of its line's fields. Construction takes the texts of the first `count`
// fields, in order (invalid argument before the first "fnumv"); the slots are then resolved one
// by one at the point each is used.
class operands {
public:
    operands(vartable& vars, textview line, int count, fieldcache* cache);

    textview text(int field) const { return vars.fieldtext(line, field); }
    textview rest(int field) const { return vars.fieldrest(line, field); }
    // The field text read strictly as a number: type mismatch when it is none.
    double number(int field);
    // The slot the field names: no table, or a number outside it, is a subscript error.
    Value& slot(int field);

private:
    vartable& vars;
    textview line;
    fieldcache* cache;
};

} // namespace tovl
