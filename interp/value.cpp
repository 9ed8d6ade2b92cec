// The operations on values: text form, strict conversions, dynamic arithmetic, equality.
#include "interp/value.h"

#include "interp/numbers.h"
#include "interp/runerror.h"

#include <cmath>

namespace tovl {

namespace {

// A value taking part in arithmetic: its kind after the operand rule and its exact number.
struct operand {
    ValueKind kind;
    double number;
};

operand arithmeticoperand(const Value& v) {
    switch (v.kind()) {
    case ValueKind::Empty: return {ValueKind::Int16, 0};
    case ValueKind::Text: return {ValueKind::Float64, v.textnumber()};
    case ValueKind::Int16: return {ValueKind::Int16, static_cast<double>(v.int16part())};
    case ValueKind::Float32: return {ValueKind::Float32, v.singlepart()};
    case ValueKind::Float64: return {ValueKind::Float64, v.doublepart()};
    }
    return {ValueKind::Int16, 0};
}

ValueKind moreprecise(ValueKind a, ValueKind b) {
    return static_cast<int>(a) > static_cast<int>(b) ? a : b;
}

enum class arith { add, sub, mul };

template <typename T> T apply(arith op, T a, T b) {
    switch (op) {
    case arith::add: return a + b;
    case arith::sub: return a - b;
    case arith::mul: return a * b;
    }
    return a;
}

Value double_or_overflow(double d) {
    if (std::isinf(d) || std::isnan(d)) throw runerror(errorkind::overflow);
    return Value::fromdouble(d);
}

// A Float32 result that leaves the 32-bit range is computed again in 64 bits.
template <typename F> Value single_or_wider(F compute) {
    float f = compute(float{});
    if (!std::isinf(f)) return Value::fromsingle(f);
    return double_or_overflow(compute(double{}));
}

Value numeric(arith op, const Value& left, const Value& right) {
    operand a = arithmeticoperand(left);
    operand b = arithmeticoperand(right);
    switch (moreprecise(a.kind, b.kind)) {
    case ValueKind::Int16: {
        int32_t r =
            apply<int32_t>(op, static_cast<int32_t>(a.number), static_cast<int32_t>(b.number));
        if (r < -32768 || r > 32767) throw runerror(errorkind::overflow);
        return Value::fromint16(static_cast<int16_t>(r));
    }
    case ValueKind::Float32:
        return single_or_wider([&](auto zero) {
            using T = decltype(zero);
            return apply<T>(op, static_cast<T>(a.number), static_cast<T>(b.number));
        });
    case ValueKind::Empty:
    case ValueKind::Text:
    case ValueKind::Float64: break;
    }
    return double_or_overflow(apply<double>(op, a.number, b.number));
}

} // namespace

void appendvaluetext(text& to, const Value& v) {
    switch (v.kind()) {
    case ValueKind::Empty: return;
    case ValueKind::Text: to += v.textpart(); return;
    case ValueKind::Int16: appendascii(to, std::to_string(v.int16part())); return;
    case ValueKind::Float32: appendnumbertext(to, v.singlepart(), singledigits); return;
    case ValueKind::Float64: appendnumbertext(to, v.doublepart(), doubledigits); return;
    }
}

double Value::textnumber() const {
    if (parsed_ == parse::unknown) {
        try {
            number_.d = strictnumber(text_);
            parsed_ = parse::number;
        } catch (const runerror& error) {
            parsed_ = parse::notnumber;
            parseerror_ = error.kind();
        }
    }
    if (parsed_ == parse::notnumber) throw runerror(parseerror_);
    return number_.d;
}

bool Value::textisnumber(double& number) const {
    if (parsed_ == parse::unknown) {
        try {
            textnumber();
        } catch (const runerror&) {
        }
    }
    if (parsed_ != parse::number) return false;
    number = number_.d;
    return true;
}

textview valuetextview(const Value& v, text& scratch) {
    if (v.kind() == ValueKind::Text) return v.textpart();
    scratch.clear();
    appendvaluetext(scratch, v);
    return scratch;
}

// A whole number that prints with all its digits reads back as itself, and a text that is a
// number as a whole reads as that number.
double valueleadnumber(const Value& v) {
    double number = 0;
    int digits = doubledigits;
    switch (v.kind()) {
    case ValueKind::Empty: return 0;
    case ValueKind::Text: return v.textisnumber(number) ? number : leadnumber(v.textpart());
    case ValueKind::Int16: return v.int16part();
    case ValueKind::Float32:
        number = v.singlepart();
        digits = singledigits;
        break;
    case ValueKind::Float64: number = v.doublepart(); break;
    }
    if (iswhole(number, exactlimit(digits))) return number;
    return leadnumber(valuetext(v));
}

text valuetext(const Value& v) {
    if (v.kind() == ValueKind::Text) return v.textpart();
    text out;
    appendvaluetext(out, v);
    return out;
}

double valuedouble(const Value& v) {
    switch (v.kind()) {
    case ValueKind::Empty: return 0;
    case ValueKind::Text: return v.textnumber();
    case ValueKind::Int16: return v.int16part();
    case ValueKind::Float32: return v.singlepart();
    case ValueKind::Float64: return v.doublepart();
    }
    return 0;
}

float valuesingle(const Value& v) {
    if (v.kind() == ValueKind::Float32) return v.singlepart();
    return tosingle(valuedouble(v));
}

int32_t valueint32(const Value& v) {
    return roundint32(valuedouble(v));
}

int16_t valueint16(const Value& v) {
    return roundint16(valuedouble(v));
}

Value valueadd(const Value& left, const Value& right) {
    bool leftempty = left.kind() == ValueKind::Empty;
    bool rightempty = right.kind() == ValueKind::Empty;
    if (left.kind() == ValueKind::Text && right.kind() == ValueKind::Text) {
        return Value::fromtext(left.textpart() + right.textpart());
    }
    if (leftempty && rightempty) return Value::fromint16(0);
    if (leftempty) return right;
    if (rightempty) return left;
    return numeric(arith::add, left, right);
}

Value valuesub(const Value& left, const Value& right) {
    return numeric(arith::sub, left, right);
}

Value valuemul(const Value& left, const Value& right) {
    return numeric(arith::mul, left, right);
}

Value valuediv(const Value& left, const Value& right) {
    operand a = arithmeticoperand(left);
    operand b = arithmeticoperand(right);
    if (b.number == 0) {
        throw runerror(a.number == 0 ? errorkind::overflow : errorkind::divisionbyzero);
    }
    if (a.kind != ValueKind::Float64 && b.kind != ValueKind::Float64) {
        return single_or_wider([&](auto zero) {
            using T = decltype(zero);
            return static_cast<T>(a.number) / static_cast<T>(b.number);
        });
    }
    return double_or_overflow(a.number / b.number);
}

Value valuefloor(const Value& v) {
    switch (v.kind()) {
    case ValueKind::Empty: return Value::fromint16(0);
    case ValueKind::Text: return Value::fromdouble(std::floor(v.textnumber()));
    case ValueKind::Int16: return v;
    case ValueKind::Float32: return Value::fromsingle(std::floor(v.singlepart()));
    case ValueKind::Float64: return Value::fromdouble(std::floor(v.doublepart()));
    }
    return v;
}

text valueconcat(const Value& left, const Value& right) {
    text out = valuetext(left);
    appendvaluetext(out, right);
    return out;
}

bool valueequal(const Value& v, textview literal) {
    if (v.kind() == ValueKind::Text) return v.textpart() == literal;
    return valuetext(v) == literal;
}

bool valueequal(const Value& v, double literal) {
    return valuedouble(v) == literal;
}

} // namespace tovl
