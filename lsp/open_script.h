// A script open in an editor: its text as the editor holds it, its lines, and what the server
// keeps of it between edits.
#pragma once

#include "lsp/jump_memory.h"

#include "interp/text.h"

#include <optional>
#include <string>
#include <vector>

namespace tovl::lsp {

// A place in the editor's text: the 0-based line, and the column counted in 16-bit characters
// from 0, as the protocol counts by default and as the core holds texts.
struct text_position {
    int line = 0;
    int column = 0;
    friend bool operator==(const text_position&, const text_position&) = default;
};

struct text_range {
    text_position start;
    text_position end;
};

class open_script {
  public:
    open_script(std::string uri, text content, int version);
    // A move splits the lines again: they are views into the text, and a short text is held
    // inside the text object itself, so the moved-from object's views would point into it.
    open_script(open_script&& other) noexcept(false);
    open_script& operator=(open_script&& other) noexcept(false);
    open_script(const open_script&) = delete;
    open_script& operator=(const open_script&) = delete;
    ~open_script() = default;

    // Replaces `range` (the whole text when none) with `new_text`, as an editor's change does.
    // Positions past a line's end stand at its end; lines past the last, at the text's end.
    void apply_change(const std::optional<text_range>& range, text_view new_text, int version);

    const std::string& uri() const { return uri_; }
    int version() const { return version_; }
    const text& content() const { return content_; }
    // The lines as the runner reads them (interp/script_text.h: split_lines).
    const std::vector<text_view>& lines() const { return lines_; }
    // Line `index` (0-based), or the empty text past the last.
    text_view line(int index) const;
    // The editor's place for a place in lines(): the editor also ends lines at a lone CR or LF,
    // which a script that ends its lines at CR LF keeps inside its lines.
    text_position editor_position(int line, int column) const;

    // Where each jump pointed before the edits since the script was opened or its jumps were
    // last renumbered.
    const jump_memory& jumps() const { return jumps_; }
    jump_memory& jumps() { return jumps_; }

  private:
    // The offset in content_ of a position, by the protocol's line ends (LF, CR LF or CR).
    size_t offset_of(text_position p) const;
    void split();

    std::string uri_;
    int version_;
    text content_;
    std::vector<text_view> lines_;
    std::vector<size_t> editor_line_starts_; // where the editor's lines start in content_
    jump_memory jumps_;
};

} // namespace tovl::lsp
