// Decoding a line by its keyword's row: variables, operator, numbers and text column.
#include "interp/decoded_line.h"

#include "interp/numbers.h"
#include "interp/operand_layout.h"

#include <cmath>
#include <string_view>
#include <utility>

namespace tovl {

namespace {

// A number read strictly and rounded to the 16-bit integers, or nothing when that would fail.
bool int16_number(text_ref written, int16_t& out) {
    parsed_number number = parse_strict_number(written);
    if (!number.ok()) return false;
    double rounded = std::nearbyint(number.number);
    if (!(rounded >= INT16_MIN && rounded <= INT16_MAX)) return false;
    out = static_cast<int16_t>(rounded);
    return true;
}

// The variable that a field names, or nothing when reading it would fail.
bool field_slot(const variable_table& variables, text_ref written, int16_t& slot) {
    // Digits alone, the usual field, read as the strict parse would read them.
    int digits = 0;
    bool all_digits = written.visit([&digits](auto chars) {
        for (auto c : chars) {
            if (c < u'0' || c > u'9') return false;
            digits = digits * 10 + (c - u'0');
        }
        return !chars.empty();
    });
    if (!all_digits) {
        // Any other number in the table's range rounds to a slot the same way.
        parsed_number number = parse_strict_number(written);
        if (!number.ok() || !(std::fabs(number.number) < 1e9)) return false;
        digits = static_cast<int>(std::nearbyint(number.number));
    }
    if (!variables.is_slot(digits)) return false;
    slot = static_cast<int16_t>(digits);
    return true;
}

// One operand of code `code` in field `field`; false when it did not decode.
template <char code>
bool decode_operand(decoded_line& decoded, text_ref line, const variable_table& variables,
                    int field) {
    const int width = variables.field_width();
    if constexpr (code == 'r' || code == 'w') {
        return field_slot(variables, field_text(line, width, field), decoded.slots[field - 1]);
    } else if constexpr (code == 'n') {
        return int16_number(field_text(line, width, field), decoded.number);
    } else if constexpr (code == 'o') {
        decoded.op = operator_at(line, width, field);
    } else if constexpr (code == 't') {
        decoded.column = static_cast<uint16_t>(field_column(width, field));
    } else if constexpr (code == 'N') {
        return int16_number(after_keyword(line), decoded.number);
    } else if constexpr (code == 'L') {
        parsed_number target = parse_strict_number(after_keyword(line));
        std::optional<int16_t> counter;
        if (target.ok()) counter = jump_counter(target.number);
        if (counter) decoded.number = *counter;
        return counter.has_value();
    }
    return true;
}

// Every operand of keyword `k`, in the order of its row, each decoded even when one before it
// did not: the operator of a line still tells what it does.
template <keyword k, size_t... index>
bool decode_operands([[maybe_unused]] decoded_line& decoded, [[maybe_unused]] text_ref line,
                     [[maybe_unused]] const variable_table& variables,
                     std::index_sequence<index...>) {
    [[maybe_unused]] constexpr std::string_view codes = row_of(k).operands;
    return (decode_operand<codes[index]>(decoded, line, variables, static_cast<int>(index) + 1) &
            ... & true);
}

using operand_decoder = bool (*)(decoded_line& decoded, text_ref line,
                                 const variable_table& variables);

// Each keyword's decoder, made from its row when the program is built.
constexpr operand_decoder operand_decoders[] = {
#define TOVL_KEYWORD(name, ...)                                                                    \
    [](decoded_line& decoded, text_ref line, const variable_table& variables) {                    \
        return decode_operands<keyword::name>(                                                     \
            decoded, line, variables,                                                              \
            std::make_index_sequence<row_of(keyword::name).operands.size()>());                    \
    },
#include "interp/keywords.def"
#undef TOVL_KEYWORD
};

} // namespace

decoded_line decode_line(text_ref line, const variable_table& variables) {
    decoded_line decoded;
    std::optional<keyword> found = find_keyword(line);
    if (!found) {
        decoded.form = line_form::no_command;
        return decoded;
    }
    const keyword_row& row = row_of(*found);
    decoded.form = form_of(*found);
    if (row.reads_fields() && !variables.has_layout()) {
        // The file commands report this failure like any other; the rest fail at once.
        if (!row.has(trait::reports_failures)) decoded.form = line_form::needs_layout;
        return decoded;
    }
    decoded.complete = operand_decoders[static_cast<size_t>(*found)](decoded, line, variables);
    return decoded;
}

} // namespace tovl
