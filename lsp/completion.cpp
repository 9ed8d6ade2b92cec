// Completion of keywords, each with its operands as placeholders made from its row's codes.
#include "lsp/completion.h"

#include "interp/keyword.h"

#include <algorithm>
#include <string>

namespace tovl::lsp {

namespace {

// The protocol's numbers for a keyword item and for an insert text that is a snippet.
constexpr int keyword_item_kind = 14;
constexpr int snippet_format = 2;

// What an operand of each code of interp/keywords.def is, in the words a placeholder shows.
std::string operand_words(char code) {
    switch (code) {
    case 'r': return "variable read";
    case 'w': return "variable written";
    case 'n': return "number";
    case 'o': return "operator";
    case 't': return "text";
    case 'L': return "line number";
    case 'N': return "highest variable number";
    default: return "operand";
    }
}

// The row's operators as they are written in the list: "+ - * /".
std::string operator_list(const keyword_row& row, char separator) {
    std::string list;
    for (char16_t op : row.operators) {
        if (!list.empty()) list += separator;
        list += utf8(text_view(&op, 1));
    }
    return list;
}

// The keyword and its operands as a snippet: each operand a placeholder named by what it is,
// the operator a choice of the row's operators.
std::string snippet_of(const keyword_row& row) {
    std::string snippet = utf8(row.name);
    int stop = 1;
    for (char code : row.operands) {
        std::string number = std::to_string(stop++);
        snippet += code == 'o' ? "${" + number + "|" + operator_list(row, ',') + "|}"
                               : "${" + number + ":" + operand_words(code) + "}";
    }
    return snippet;
}

// The keyword and what its operands are, in column order: "fmath variable read, ...".
std::string shape_of(const keyword_row& row) {
    std::string shape = utf8(row.name);
    const char* separator = " ";
    for (char code : row.operands) {
        shape += separator + operand_words(code);
        if (code == 'o') shape += " " + operator_list(row, ' ');
        separator = ", ";
    }
    return shape;
}

} // namespace

json completion_at(const open_script& script, text_position at) {
    json items = json::array();
    text_view line = script.line(at.line);
    if (at.column < 0 || static_cast<size_t>(at.column) > line.size()) return items;
    // Text typed past the keyword columns is longer than any keyword, and so starts none.
    text_view typed = line.substr(0, static_cast<size_t>(at.column));
    bool starts_keyword =
        std::any_of(keyword_rows.begin(), keyword_rows.end(),
                    [&](const keyword_row& row) { return row.name.starts_with(typed); });
    if (!starts_keyword) return items;
    text_range replaced{{at.line, 0}, at};
    for (const keyword_row& row : keyword_rows) {
        std::string snippet = snippet_of(row);
        items.push_back({{"label", utf8(row.name)},
                         {"kind", keyword_item_kind},
                         {"detail", shape_of(row)},
                         {"insertTextFormat", snippet_format},
                         {"textEdit", {{"range", range_json(replaced)}, {"newText", snippet}}}});
    }
    return items;
}

} // namespace tovl::lsp
