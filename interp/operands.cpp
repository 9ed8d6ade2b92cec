// Operand fields read once per line and layout.
#include "interp/operands.h"

#include "interp/numbers.h"

namespace tovl {

operands::operands(vartable& vars, textview line, int count, fieldcache* cache)
    : vars(vars), line(line), cache(cache) {
    for (int field = 1; field <= count; ++field) vars.fieldtext(line, field);
    if (cache && cache->layout != vars.layoutversion()) {
        *cache = fieldcache();
        cache->layout = vars.layoutversion();
    }
}

double operands::number(int field) {
    if (!cache) return strictnumber(text(field));
    fieldcache::entry& e = cache->fields[field - 1];
    if (!e.read) {
        try {
            e.number = strictnumber(text(field));
        } catch (const runerror& error) {
            e.failed = true;
            e.error = error.kind();
        }
        e.read = true;
    }
    if (e.failed) throw runerror(e.error);
    return e.number;
}

Value& operands::slot(int field) {
    if (!vars.built()) throw runerror(errorkind::subscriptoutofrange);
    return vars.slot(roundint32(number(field)));
}

} // namespace tovl
