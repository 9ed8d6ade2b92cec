// Definitions, references and inlay hints of jumps: each "fgoto" linked to the line it lands on.
#include "lsp/jump_links.h"

#include "lsp/script_outline.h"

#include "check/check_words.h"
#include "interp/operand_layout.h"

#include <algorithm>

namespace tovl::lsp {

namespace {

// The longest part of a landing line that a hint shows.
constexpr size_t most_hint_characters = 40;

json location(const open_script& script, int line, int column, int length) {
    return {{"uri", script.uri()}, {"range", line_range_json(line, column, length)}};
}

json whole_line(const open_script& script, int line) {
    return location(script, line, 0, static_cast<int>(script.line(line).size()));
}

// The 0-based line a jump on line `index` lands on, when it lands on one of the script's lines.
std::optional<int> landing_index(const script_outline& outline, int index) {
    std::optional<int32_t> landing = outline.landing_line(index);
    if (!landing || *landing <= 0 || *landing > outline.last_landing_line()) return std::nullopt;
    return *landing - 1;
}

// What a hint shows of a line: its text, tabs as blanks, without the blanks at its end, cut
// short with an ellipsis.
text shown(text_view line) {
    text t(line.substr(0, line.find_last_not_of(u" \t") + 1));
    std::replace(t.begin(), t.end(), u'\t', u' ');
    if (t.size() > most_hint_characters) t = t.substr(0, most_hint_characters - 1) + u"…";
    return t;
}

} // namespace

json definition_at(const open_script& script, text_position at) {
    if (at.line < 0 || at.line >= static_cast<int>(script.lines().size())) return nullptr;
    script_outline outline(script.lines());
    std::optional<int> landing = landing_index(outline, at.line);
    if (!landing) return nullptr;
    return whole_line(script, *landing);
}

json references_at(const open_script& script, text_position at, bool include_declaration) {
    json found = json::array();
    if (at.line < 0 || at.line >= static_cast<int>(script.lines().size())) return found;
    if (include_declaration) found.push_back(whole_line(script, at.line));
    script_outline outline(script.lines());
    const int target_column = first_field_column - 1;
    for (int i = 0; i < outline.line_count(); ++i) {
        if (landing_index(outline, i) == at.line) {
            int length = static_cast<int>(outline.line(i).size()) - target_column;
            found.push_back(location(script, i, target_column, length));
        }
    }
    return found;
}

// The hint goes at the end of the jump's line. Its kind is the protocol's "type" (1): editors
// show that kind after what it annotates, which is where this one stands.
json inlay_hints(const open_script& script, text_range range) {
    json hints = json::array();
    script_outline outline(script.lines());
    int last = std::min(range.end.line, outline.line_count() - 1);
    for (int i = std::max(range.start.line, 0); i <= last; ++i) {
        std::optional<int32_t> landing = outline.landing_line(i);
        if (!landing || *landing <= 0) continue; // the checker reports these
        text label = u"→ ";
        if (*landing > outline.last_landing_line()) {
            label += u"past the last line: the run ends";
        } else {
            text target = shown(outline.line(*landing - 1));
            label += number_text(*landing) + (target.empty() ? u" (empty)" : u": " + target);
        }
        int end = static_cast<int>(outline.line(i).size());
        hints.push_back({{"position", position_json({i, end})},
                         {"label", utf8(label)},
                         {"kind", 1},
                         {"paddingLeft", true}});
    }
    return hints;
}

} // namespace tovl::lsp
