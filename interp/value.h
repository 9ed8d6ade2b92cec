// Value: the untyped content of one variable slot, and every operation on values.
#pragma once

#include "interp/runerror.h"
#include "interp/text.h"

#include <cstdint>

namespace tovl {

enum class ValueKind { Empty, Text, Int16, Float32, Float64 };

// A tagged value with copy semantics. Numbers live in a union; the text member is used only
// by the Text kind. A Text remembers what the strict number parse made of it (in the union,
// unused by texts), since scripts compute with the same numeric texts over and over.
class Value {
  public:
    Value() = default;
    static Value fromtext(text t) {
        Value v;
        v.kind_ = ValueKind::Text;
        v.text_ = std::move(t);
        return v;
    }
    static Value fromint16(int16_t i) {
        Value v;
        v.kind_ = ValueKind::Int16;
        v.number_.i = i;
        return v;
    }
    static Value fromsingle(float f) {
        Value v;
        v.kind_ = ValueKind::Float32;
        v.number_.f = f;
        return v;
    }
    static Value fromdouble(double d) {
        Value v;
        v.kind_ = ValueKind::Float64;
        v.number_.d = d;
        return v;
    }

    ValueKind kind() const { return kind_; }
    // Makes this value the Float32 f, keeping the text's storage for later use.
    void setsingle(float f) {
        kind_ = ValueKind::Float32;
        parsed_ = parse::unknown;
        number_.f = f;
        text_.clear();
    }
    // Appends to a Text's characters in place.
    void appendtext(textview more) {
        text_ += more;
        parsed_ = parse::unknown;
    }
    // The strict number parse of a Text's characters (type mismatch or overflow when they are
    // not a number), made once.
    double textnumber() const;
    // True when the Text's characters are a number as a whole, which is then `number`.
    bool textisnumber(double& number) const;
    const text& textpart() const { return text_; }
    int16_t int16part() const { return number_.i; }
    float singlepart() const { return number_.f; }
    double doublepart() const { return number_.d; }

  private:
    enum class parse : uint8_t { unknown, number, notnumber };
    ValueKind kind_ = ValueKind::Empty;
    mutable parse parsed_ = parse::unknown;
    mutable errorkind parseerror_ = errorkind::typemismatch;
    mutable union {
        int16_t i;
        float f;
        double d;
    } number_{};
    text text_;
};

// Text form: Empty is empty, Text itself, Int16 its digits, Float32 and Float64 their number
// text with 7 and 15 significant digits.
text valuetext(const Value& v);
void appendvaluetext(text& to, const Value& v);
// The text form without a copy: a Text's own characters, or the form written into `scratch`.
textview valuetextview(const Value& v, text& scratch);
// leadnumber of the text form, without making the text where the number is known.
double valueleadnumber(const Value& v);

// Strict conversions: Empty counts as 0, a Text is parsed strictly.
double valuedouble(const Value& v);
float valuesingle(const Value& v);
int32_t valueint32(const Value& v);
int16_t valueint16(const Value& v);

// Dynamic arithmetic. valueadd joins two texts and passes a value through when the other
// operand is Empty; otherwise, as for the others, Empty counts as Int16 0, a Text as a Float64
// parsed strictly, and the result has the more precise kind of the operands.
Value valueadd(const Value& left, const Value& right);
Value valuesub(const Value& left, const Value& right);
Value valuemul(const Value& left, const Value& right);
Value valuediv(const Value& left, const Value& right);
Value valuefloor(const Value& v);

text valueconcat(const Value& left, const Value& right);

// Equality with a literal: a text literal compares the text form exactly; a number literal
// compares numbers, parsing a Text strictly.
bool valueequal(const Value& v, textview literal);
bool valueequal(const Value& v, double literal);

} // namespace tovl
