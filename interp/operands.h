// The operand fields of one command line, read through the line's cache.
#pragma once

#include "interp/numbers.h"
#include "interp/runerror.h"
#include "interp/text.h"
#include "interp/variables.h"

#include <cstdint>

namespace tovl {

// What reading a line's operand fields found, kept for the rest of the run: a line that runs
// again under the same operand layout reads no field text a second time. A number is cached
// together with the error its text gives, so a cached field fails exactly like a fresh one;
// a slot is cached only once found, and only "fnumv" can move it, which changes the layout.
struct fieldcache {
    struct entry {
        bool read = false;
        bool failed = false;
        errorkind error = errorkind::typemismatch;
        double number = 0;
        Value* slot = nullptr; // the slot the number names, once it was found in the table
    };
    uint32_t layout = 0; // the layout version the entries belong to; 0 for none
    entry fields[4];
    bool opread = false;
    char16_t op = 0; // the one-character operator field
};

// A handler's view of its line's fields. Construction takes the texts of the first `count`
// fields, in order (invalid argument before the first "fnumv"); the slots are then resolved one
// by one at the point each is used.
class operands {
  public:
    operands(vartable& vars, textview line, int count, fieldcache* cache);
    // `count` says how many fields the handler takes; they all exist once one does.

    textview text(int field) const { return vars.fieldtext(line, field); }
    textview rest(int field) const { return vars.fieldrest(line, field); }
    // The one character at the start of the field (an operator: "=", ">", "+", ...), or 0 when
    // the line ends before it; a 0 in the line is no operator either.
    char16_t op(int field) {
        if (cache && cache->opread) return cache->op;
        textview column = columnslice(line, vars.argpos(field), 1);
        char16_t c = column.empty() ? u'\0' : column[0];
        if (cache) {
            cache->op = c;
            cache->opread = true;
        }
        return c;
    }
    // The field text read strictly as a number: type mismatch when it is none.
    double number(int field) {
        if (!cache) return strictnumber(text(field));
        fieldcache::entry& e = cache->fields[field - 1];
        if (!e.read) return readnumber(e, field);
        if (e.failed) throw runerror(e.error);
        return e.number;
    }
    // The slot the field names: no table, or a number outside it, is a subscript error.
    Value& slot(int field) {
        if (cache && cache->fields[field - 1].slot) return *cache->fields[field - 1].slot;
        return findslot(field);
    }

  private:
    double readnumber(fieldcache::entry& e, int field) const;
    Value& findslot(int field);

    vartable& vars;
    textview line;
    fieldcache* cache;
};

} // namespace tovl
