// decoded_line: a script line decoded once per operand layout into the operands its command runs
// from.
#pragma once

#include "interp/keyword.h"
#include "interp/text.h"
#include "interp/variable_table.h"

#include <cstdint>

namespace tovl {

// How the runner runs a line: the three forms of lines that run no command, then one form per
// keyword, in the order of the keyword list.
enum class line_form : uint8_t {
    not_decoded,  // not decoded under the current layout yet
    no_command,   // not a keyword line: does nothing
    needs_layout, // a command with operand fields before the first "fnumv": fails
#define TOVL_KEYWORD(name, ...) name,
#include "interp/keywords.def"
#undef TOVL_KEYWORD
};
constexpr size_t line_form_count = 3 + keyword_count;

constexpr line_form form_of(keyword k) {
    return static_cast<line_form>(3 + static_cast<size_t>(k));
}

// True for the forms that run while a false "fifvr" skips lines: the commands that end the block,
// and a line not decoded yet, which is decoded first and dispatched again.
constexpr bool runs_while_skipping(line_form form) {
    if (form == line_form::not_decoded) return true;
    if (form <= line_form::needs_layout) return false;
    return keyword_rows[static_cast<size_t>(form) - 3].has(trait::ends_block);
}

// A line's operands under one layout, as its command's row describes them. A field that could
// not be decoded (no number, a variable outside the table) is left for the command to read from
// the line's text at the point it uses it, which raises the error that the text gives. Sixteen
// bytes, so that the runner finds a line with a shift.
struct alignas(16) decoded_line {
    static constexpr int16_t unread = -1;

    line_form form = line_form::not_decoded;
    bool complete = false; // every operand decoded: no field needs the line's text
    char16_t op = 0;       // the operator column's character, 0 past the end of the line
    int16_t number = 0;    // "fgoto": the line counter; "fnumv": N; "sshdn": the seconds
    uint16_t column = 0;   // where the text operand starts (1-based)
    int16_t slots[3] = {unread, unread, unread}; // the variables of fields 1 to 3

    keyword command() const { return static_cast<keyword>(static_cast<size_t>(form) - 3); }
};

// Decodes `line` under the table's current layout. Decoding itself raises nothing and changes
// nothing: what fails is raised when the command runs.
decoded_line decode_line(text_ref line, const variable_table& variables);

} // namespace tovl
