// decoded_line: a script line decoded once into what the runner needs to run it directly.
#pragma once

#include "interp/keyword.h"
#include "interp/text.h"
#include "interp/variable_table.h"

#include <cstdint>

namespace tovl {

// How the runner runs a decoded line. Each direct form does what its command's handler does,
// through the same value operations; where the values need anything else (a conversion that
// may fail, a text to make), the runner hands the line to the handler instead.
enum class line_form : uint8_t {
    not_decoded, // not decoded under the current layout yet
    no_command,  // not a keyword line: does nothing
    handler,     // run by its command's handler
    add,         // "fmath" with "+": slot 3 = slot 1 + slot 2 as 32-bit floats
    greater,     // "fifvr" with ">": skip unless slot 1's leading number > slot 2's
    same_text,   // "fifvr" with "=": skip unless the two texts are equal
    jump,        // "fgoto": the line counter goes to `jump`
    end_block,   // "endif"
    copy,        // "fcopy": slot 2 = slot 1
    print,       // "fprnt": slot 1's text form to the output
    new_line,    // "fnewl"
    set_text,    // "fsetv": slot 1 = the line from `column` on, as a text
};
constexpr size_t line_form_count = 12;

// A line's decoding under one operand layout: its keyword, its form, the slots its fields
// name in the table of that layout and its jump target. Made when the line first runs under a
// layout; "fnumv" sets another layout and rebuilds the table, and every line is decoded anew.
struct decoded_line {
    line_form form = line_form::not_decoded;
    uint8_t keyword_index = 0;
    int16_t jump = 0;
    uint16_t column = 0; // the 1-based column where the text of "fsetv" starts
    int16_t slots[3] = {};
};

// Decodes `line` under the table's current layout. A line whose fields would fail (no layout,
// a field that is no number, a slot outside the table, a jump out of range) is left to its
// handler, which raises the error as it always does: decoding itself changes nothing.
void decode_line(decoded_line& decoded, text_view line, const variable_table& variables);

} // namespace tovl
