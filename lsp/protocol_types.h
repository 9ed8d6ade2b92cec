// The protocol's shapes of what the server speaks of: positions, ranges, texts and edits, to
// and from JSON.
#pragma once

#include "lsp/open_script.h"

#include "check/diagnostic.h"
#include "interp/text.h"

#include <nlohmann/json.hpp>

#include <string>

namespace tovl::lsp {

using json = nlohmann::json;

// The error codes of JSON-RPC and the protocol.
namespace error_code {
constexpr int parse_error = -32700;
constexpr int invalid_request = -32600;
constexpr int method_not_found = -32601;
constexpr int invalid_params = -32602;
constexpr int internal_error = -32603;
constexpr int server_not_initialized = -32002;
} // namespace error_code

// A protocol error: answered to the request that caused it with its code and message.
struct protocol_error {
    int code;
    std::string message;
};

// JSON strings are UTF-8; the server's texts are 16-bit characters.
std::string utf8(text_view chars);
text text_of(const json& string);

// A whole number the client sent that fits an int; anything else (a fraction, a number out
// of range, another type) is a protocol error of the request's parameters.
int integer_of(const json& number);
// The field `name` of `object` as integer_of reads it, or `otherwise` when it is missing or
// null.
int integer_of(const json& object, const char* name, int otherwise);

json position_json(text_position p);
json range_json(text_range r);
text_position position_of(const json& position);
text_range range_of(const json& range);

// A range on one line, from `column` for `length` characters.
json line_range_json(int line, int column, int length);

// A text edit: replaces `r` with `new_text`.
json text_edit_json(text_range r, text_view new_text);

// A finding of the checker on the script, as the protocol's diagnostic: one character wide at
// its column, or empty at the end of its line, placed in the editor's lines.
json diagnostic_json(const diagnostic& d, const open_script& script);

// A workspace edit of one script: its edits, for its uri.
json workspace_edit_json(const open_script& script, json edits);

} // namespace tovl::lsp
