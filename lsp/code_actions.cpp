// Quick fixes and the renumbering of moved jumps.
#include "lsp/code_actions.h"

#include "interp/numbers.h"
#include "interp/operand_layout.h"

#include <string>

namespace tovl::lsp {

namespace {

using moved_jumps = std::vector<jump_memory::moved_jump>;

// True when line `line` of the script starts on one of the editor's lines in `range`.
bool in_lines(const open_script& script, int line, text_range range) {
    int start = script.editor_position(line, 0).line;
    return start >= range.start.line && start <= range.end.line;
}

// The edit that writes the remembered line's number in place of the jump's number: only the
// number changes, not the blanks around it that the jump reads past.
json renumber_edit(const open_script& script, const jump_memory::moved_jump& jump) {
    text_view line = script.line(jump.line);
    text_view number = strict_number_span(after_keyword(line));
    text_position start =
        script.editor_position(jump.line, static_cast<int>(number.data() - line.data()));
    text_range range{start, {start.line, start.column + static_cast<int>(number.size())}};
    return text_edit_json(range, from_ascii(std::to_string(jump.remembered)));
}

json renumber_edits(const open_script& script, const moved_jumps& moved) {
    json edits = json::array();
    for (const jump_memory::moved_jump& jump : moved)
        edits.push_back(renumber_edit(script, jump));
    return workspace_edit_json(script, std::move(edits));
}

// Writes the line a finding suggests in place of its line.
json write_line_action(const open_script& script, const diagnostic& d) {
    int line = d.line - 1;
    text_range whole{script.editor_position(line, 0),
                     script.editor_position(line, static_cast<int>(script.line(line).size()))};
    return {{"title", "Write " + utf8(*d.suggested_line)},
            {"kind", "quickfix"},
            {"diagnostics", json::array({diagnostic_json(d, script)})},
            {"edit",
             workspace_edit_json(script, json::array({text_edit_json(whole, *d.suggested_line)}))}};
}

} // namespace

json code_actions(const open_script& script, text_range range,
                  const std::vector<diagnostic>& findings) {
    json actions = json::array();
    for (const diagnostic& d : findings) {
        if (d.suggested_line && in_lines(script, d.line - 1, range))
            actions.push_back(write_line_action(script, d));
    }
    moved_jumps moved = script.jumps().moved(script.lines());
    for (const jump_memory::moved_jump& jump : moved) {
        if (!in_lines(script, jump.line, range)) continue;
        actions.push_back(
            {{"title", "Renumber the jump to line " + std::to_string(jump.remembered) +
                           " (the line it pointed at)"},
             {"kind", "quickfix"},
             {"edit", renumber_edits(script, {jump})}});
    }
    if (!moved.empty()) {
        const char* title = "Renumber every moved jump";
        actions.push_back({{"title", title},
                           {"kind", "source.fixAll"},
                           {"edit", renumber_edits(script, moved)},
                           {"command",
                            {{"title", title},
                             {"command", renumber_jumps_command},
                             {"arguments", json::array({script.uri()})}}}});
    }
    return actions;
}

json renumber_jumps_edit(const open_script& script) {
    moved_jumps moved = script.jumps().moved(script.lines());
    if (moved.empty()) return nullptr;
    return renumber_edits(script, moved);
}

} // namespace tovl::lsp
