// The variable table, its operand field operations and the "fnumv" command.
#include "interp/variables.h"

#include "interp/interpreter.h"
#include "interp/numbers.h"
#include "interp/runerror.h"

namespace tovl {

namespace {

int16_t widthof(int16_t n) {
    if (n < 10) return 1;
    if (n < 100) return 2;
    if (n < 1000) return 3;
    if (n < 10000) return 4;
    return 5;
}

} // namespace

void vartable::rebuild(int16_t n) {
    ++layoutversion_;
    numvars_ = n;
    fieldwidth_ = widthof(n);
    for (int k = 0; k < 4; ++k)
        argpos_[k] = static_cast<int16_t>(6 + k * fieldwidth_);
    built_ = false;
    if (n < 0) {
        vars_ = std::vector<Value>();
        throw runerror(errorkind::subscriptoutofrange);
    }
    // A new table, made before the old one is freed, so it never takes the old one's place.
    std::vector<Value> fresh(static_cast<size_t>(n) + 1);
    vars_.swap(fresh);
    built_ = true;
}

textview vartable::fieldtext(textview line, int field) const {
    int16_t column = argpos(field);
    if (column < 1) throw runerror(errorkind::invalidargument);
    return columnslice(line, column, fieldwidth_);
}

textview vartable::fieldrest(textview line, int field) const {
    int16_t column = argpos(field);
    if (column < 1) throw runerror(errorkind::invalidargument);
    return columnslice(line, column, line.size());
}

// "fnumv": the number is everything from column 6 to the end of the line. A bad number
// changes nothing; a good one empties the table and sets the layout for its width.
void interpreter::cmdfnumv(textview line) {
    int16_t n = roundint16(strictnumber(columnslice(line, 6, line.size())));
    vars.rebuild(n);
}

} // namespace tovl
