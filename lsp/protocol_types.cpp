// Positions, ranges, texts and edits to and from the protocol's JSON.
#include "lsp/protocol_types.h"

#include "interp/utf8.h"

#include <limits>

#include <algorithm>

namespace tovl::lsp {

std::string utf8(text_view chars) {
    return to_utf8(chars);
}

text text_of(const json& string) {
    return from_utf8(string.get_ref<const std::string&>());
}

json position_json(text_position p) {
    return {{"line", p.line}, {"character", p.column}};
}

json range_json(text_range r) {
    return {{"start", position_json(r.start)}, {"end", position_json(r.end)}};
}

int integer_of(const json& number) {
    bool fits = number.is_number_integer() && number >= std::numeric_limits<int>::min() &&
                number <= std::numeric_limits<int>::max();
    if (!fits)
        throw protocol_error{error_code::invalid_params, "bad parameters: " + number.dump() +
                                                             " is not a whole number that " +
                                                             "fits 32 bits"};
    return number.get<int>();
}

int integer_of(const json& object, const char* name, int otherwise) {
    auto found = object.find(name);
    return found == object.end() || found->is_null() ? otherwise : integer_of(*found);
}

text_position position_of(const json& position) {
    return {integer_of(position.at("line")), integer_of(position.at("character"))};
}

text_range range_of(const json& range) {
    return {position_of(range.at("start")), position_of(range.at("end"))};
}

json line_range_json(int line, int column, int length) {
    return range_json({{line, column}, {line, column + length}});
}

json text_edit_json(text_range r, text_view new_text) {
    return {{"range", range_json(r)}, {"newText", utf8(new_text)}};
}

json diagnostic_json(const diagnostic& d, const open_script& script) {
    int line = d.line - 1;
    int length = static_cast<int>(script.line(line).size());
    int column = std::min(d.column - 1, length);
    text_position at = script.editor_position(line, column);
    return {{"range", line_range_json(at.line, at.column, column < length ? 1 : 0)},
            {"severity", d.level == check_level::error ? 1 : 2},
            {"source", "tovl"},
            {"message", utf8(d.message)}};
}

json workspace_edit_json(const open_script& script, json edits) {
    return {{"changes", {{script.uri(), std::move(edits)}}}};
}

} // namespace tovl::lsp
