// Number parsing, rounding and number-to-text, independent of any locale.
#include "interp/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tovl {

namespace {

bool is_digit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// The common case of every parse: an optional sign and at most 15 digits, nothing else. Such a
// number is exact in a double, so the result is what the general parse would give.
template <class chars> bool short_integer(chars s, double& out) {
    size_t i = 0;
    bool negative = false;
    if (!s.empty() && (s[0] == u'+' || s[0] == u'-')) {
        negative = s[0] == u'-';
        i = 1;
    }
    size_t digits = s.size() - i;
    if (digits == 0 || digits > 15) return false;
    int64_t value = 0;
    for (; i < s.size(); ++i) {
        if (!is_digit(s[i])) return false;
        value = value * 10 + (s[i] - u'0');
    }
    out = negative ? -static_cast<double>(value) : static_cast<double>(value);
    return true;
}

// The pieces of a number found in a text, copied out as ASCII for std::from_chars.
struct number_scan {
    std::string ascii;     // digits, '.', 'e', exponent sign and digits; no leading sign
    bool negative = false; // the mantissa's sign
    bool any_digit = false;
    long integer_digits = 0; // significant digits before the full stop
    long leading_zeros = 0;  // zeros after the full stop before the first significant digit
    long exponent = 0;       // saturated
};

// Reads sign, mantissa and exponent from s starting at i; returns the index after the number.
// An exponent is taken only when at least one digit follows its letter and sign.
template <class chars> size_t scan_number(chars s, size_t i, number_scan& n) {
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) n.negative = s[i++] == u'-';
    bool seen_point = false;
    bool seen_significant = false;
    for (; i < s.size(); ++i) {
        char16_t c = s[i];
        if (is_digit(c)) {
            n.any_digit = true;
            n.ascii.push_back(static_cast<char>(c));
            if (c != u'0') seen_significant = true;
            if (!seen_point && seen_significant) ++n.integer_digits;
            if (seen_point && !seen_significant) ++n.leading_zeros;
        } else if (c == u'.' && !seen_point) {
            seen_point = true;
            n.ascii.push_back('.');
        } else {
            break;
        }
    }
    if (!n.any_digit || i >= s.size() || (s[i] != u'e' && s[i] != u'E')) return i;
    size_t j = i + 1;
    bool negative_exponent = false;
    if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) negative_exponent = s[j++] == u'-';
    if (j >= s.size() || !is_digit(s[j])) return i;
    n.ascii.push_back('e');
    if (negative_exponent) n.ascii.push_back('-');
    for (; j < s.size() && is_digit(s[j]); ++j) {
        n.ascii.push_back(static_cast<char>(s[j]));
        if (n.exponent < 100000) n.exponent = n.exponent * 10 + (s[j] - u'0');
    }
    if (negative_exponent) n.exponent = -n.exponent;
    return j;
}

parsed_number scanned_value(const number_scan& n) {
    double v = 0;
    const char* first = n.ascii.data();
    const char* last = first + n.ascii.size();
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the decimal exponent of the first significant
        // digit tells which.
        long magnitude = n.integer_digits > 0 ? n.integer_digits - 1 : -(n.leading_zeros + 1);
        if (magnitude + n.exponent > 0) return {0, error_kind::overflow};
        v = 0;
    } else if (ec != std::errc() || ptr != last) {
        return {0, error_kind::type_mismatch};
    }
    return {n.negative ? -v : v, std::nullopt};
}

// `t` without the blanks around it, in either form.
template <class chars> chars trimmed(chars t) {
    size_t begin = 0;
    size_t end = t.size();
    while (begin < end && t[begin] == u' ')
        ++begin;
    while (end > begin && t[end - 1] == u' ')
        --end;
    return t.substr(begin, end - begin);
}

} // namespace

text_view strict_number_span(text_view t) {
    return trimmed(t);
}

namespace {

template <class chars> parsed_number strict_number_of(chars t) {
    chars s = trimmed(t);
    double quick;
    if (short_integer(s, quick)) return {quick, std::nullopt};
    number_scan n;
    n.ascii.reserve(s.size());
    if (scan_number(s, 0, n) != s.size() || !n.any_digit) return {0, error_kind::type_mismatch};
    return scanned_value(n);
}

template <class chars> parsed_number lead_number_of(chars t) {
    using unit = typename chars::value_type;
    double quick;
    if (short_integer(t, quick)) return {quick, std::nullopt};
    // Blanks, tabs and line feeds count for nothing wherever they stand; only a text that has
    // some is copied without them.
    auto is_blank = [](unit c) { return c == unit(' ') || c == unit('\t') || c == unit('\n'); };
    std::basic_string<unit> packed;
    if (std::any_of(t.begin(), t.end(), is_blank)) {
        packed.reserve(t.size());
        for (unit c : t) {
            if (!is_blank(c)) packed.push_back(c);
        }
        t = packed;
    }
    number_scan n;
    scan_number(t, 0, n);
    if (!n.any_digit) return {0, std::nullopt};
    return scanned_value(n);
}

} // namespace

parsed_number parse_strict_number(text_ref t) {
    return t.visit([](auto chars) { return strict_number_of(chars); });
}

parsed_number parse_lead_number(text_ref t) {
    return t.visit([](auto chars) { return lead_number_of(chars); });
}

int32_t round_to_int32(double v) {
    double r = std::nearbyint(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw run_error(error_kind::overflow);
    return static_cast<int32_t>(r);
}

int16_t round_to_int16(double v) {
    double r = std::nearbyint(v);
    if (!(r >= -32768.0 && r <= 32767.0)) throw run_error(error_kind::overflow);
    return static_cast<int16_t>(r);
}

void append_number_text(text& to, double v, int digits) {
    if (v == 0) { // also -0, which prints as 0
        to.push_back(u'0');
        return;
    }
    // Whole numbers that the digits can show are their plain integer digits.
    if (is_whole(v, exact_limit(digits))) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(v));
        append_ascii(to, std::string_view(buf, r.ptr - buf));
        return;
    }
    char buf[400];
    auto sci = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, digits - 1);
    std::string_view s(buf, sci.ptr - buf);
    size_t epos = s.find('e');
    int exponent = 0;
    std::from_chars(s.data() + epos + 1 + (s[epos + 1] == '+'), s.data() + s.size(), exponent);

    auto strip_trailing_zeros = [](std::string_view m) {
        if (m.find('.') == std::string_view::npos) return m;
        while (m.back() == '0')
            m.remove_suffix(1);
        if (m.back() == '.') m.remove_suffix(1);
        return m;
    };

    if (exponent < -4 || exponent >= digits) {
        append_ascii(to, strip_trailing_zeros(s.substr(0, epos)));
        to.push_back(u'E');
        to.push_back(exponent < 0 ? u'-' : u'+');
        int e = exponent < 0 ? -exponent : exponent;
        if (e < 10) to.push_back(u'0');
        char exponent_buffer[8];
        auto er = std::to_chars(exponent_buffer, exponent_buffer + sizeof exponent_buffer, e);
        append_ascii(to, std::string_view(exponent_buffer, er.ptr - exponent_buffer));
        return;
    }
    auto fix =
        std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, digits - 1 - exponent);
    append_ascii(to, strip_trailing_zeros(std::string_view(buf, fix.ptr - buf)));
}

} // namespace tovl
