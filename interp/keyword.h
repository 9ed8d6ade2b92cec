// The keyword enum and the keyword rows, made from the keyword list, and the lookup of a line's
// keyword.
#pragma once

#include "interp/text.h"
#include "interp/text_ref.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tovl {

enum class keyword : uint8_t {
#define TOVL_KEYWORD(name, ...) name,
#include "interp/keywords.def"
#undef TOVL_KEYWORD
};

// What a command does to the run besides changing variables and the output: row.has(trait::jumps).
namespace trait {
enum keyword_trait : uint8_t {
    plain = 0,
    jumps = 1 << 0,            // sets the line counter ("fgoto")
    tests = 1 << 1,            // may start skipping lines up to the next "endif"
    ends_block = 1 << 2,       // ends the skipping, and so runs while lines are skipped
    ends_program = 1 << 3,     // the run ends after this line
    new_layout = 1 << 4,       // rebuilds the variable table and sets the operand layout
    reports_failures = 1 << 5, // shows its failures in a message and lets the run go on
};
} // namespace trait

// What a command can do to the machine beyond the script's variables and window. The names are
// the words of --deny and --powers; a command's power acts on its last operand field.
enum class script_power : uint8_t { none, run, delete_files, write_files, eject, shut_down };

// The words of the power column.
namespace power_codes {
constexpr script_power none = script_power::none;
constexpr script_power runs = script_power::run;
constexpr script_power deletes = script_power::delete_files;
constexpr script_power writes = script_power::write_files;
constexpr script_power ejects = script_power::eject;
constexpr script_power shuts_down = script_power::shut_down;
} // namespace power_codes

// Every power, for listing them.
inline constexpr std::array every_power{script_power::run, script_power::delete_files,
                                        script_power::write_files, script_power::eject,
                                        script_power::shut_down};

// "run", "delete", "write", "eject", "shutdown": the word that names a power in options.
std::string_view power_name(script_power power);
// "run programs", "delete files"...: what a power lets a script do, in plain words.
text_view power_words(script_power power);

// Everything known of a keyword's operands: the codes of interp/keywords.def.
struct keyword_row {
    text_view name;
    std::string_view operands;
    text_view operators;
    uint8_t traits;
    script_power power;

    constexpr bool has(trait::keyword_trait t) const { return (traits & t) != 0; }
    // True when the line has operand fields, and so needs the columns that "fnumv" sets.
    constexpr bool reads_fields() const { return !operands.empty() && operands != "N"; }
    // The 1-based field of the operand with this code, or 0 when it has none.
    constexpr int field_of(char code) const {
        size_t at = operands.find(code);
        return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
    }
    // True when field `field` (1-based) names a variable.
    constexpr bool is_variable(int field) const {
        return field >= 1 && static_cast<size_t>(field) <= operands.size() &&
               (operands[field - 1] == 'r' || operands[field - 1] == 'w');
    }
};

constexpr std::array keyword_rows = [] {
    using namespace trait;
    using namespace power_codes;
    return std::array{
#define TOVL_KEYWORD(name, shape, operators, traits, power)                                        \
    keyword_row{u## #name, shape, u"" operators, traits, power},
#include "interp/keywords.def"
#undef TOVL_KEYWORD
    };
}();

constexpr size_t keyword_count = keyword_rows.size();

constexpr const keyword_row& row_of(keyword k) {
    return keyword_rows[static_cast<size_t>(k)];
}

constexpr text_view keyword_name(keyword k) {
    return row_of(k).name;
}

// The keyword in columns 1 to 5 of a line, compared exactly; none for any other line.
std::optional<keyword> find_keyword(text_ref line);

} // namespace tovl
