// Operand fields read once per line and layout.
#include "interp/operands.h"

#include "interp/numbers.h"

namespace tovl {

// "fnumv" sets every field's column at once, so the first field tells for all of them.
operands::operands(vartable& vars, textview line, int, fieldcache* cache)
    : vars(vars), line(line), cache(cache) {
    if (vars.argpos(1) < 1) throw runerror(errorkind::invalidargument);
    if (cache && cache->layout != vars.layoutversion()) {
        *cache = fieldcache();
        cache->layout = vars.layoutversion();
    }
}

double operands::readnumber(fieldcache::entry& e, int field) const {
    try {
        e.number = strictnumber(text(field));
    } catch (const runerror& error) {
        e.failed = true;
        e.error = error.kind();
    }
    e.read = true;
    if (e.failed) throw runerror(e.error);
    return e.number;
}

Value& operands::findslot(int field) {
    if (!vars.built()) throw runerror(errorkind::subscriptoutofrange);
    Value& found = vars.slot(roundint32(number(field)));
    if (cache) cache->fields[field - 1].slot = &found;
    return found;
}

} // namespace tovl
