// Which line each jump of a script pointed at before an edit inserted or removed lines, so that
// the jumps can be renumbered to land where they did.
#pragma once

#include "interp/text.h"

#include <vector>

namespace tovl::lsp {

// A line keeps its identity through an edit as follows. Lines before the edit keep their
// numbers and lines after it shift by the lines inserted or removed. Of the lines the edit
// touches, those wholly inside it are gone; the first stays itself where the edit leaves some of
// its text before it (it starts past column 1), the last where the edit leaves some of its text
// after it, the first winning when both end up on one line. An edit within one line leaves the
// line itself, which moves down with its text when the edit starts at column 1 and adds lines
// ("new" and a line end typed at the start of line t makes line t the line after "new").
//
// A jump remembers the line it pointed at until its own text changes: then it points where its
// number now says, as the user meant. A jump that only moved keeps its memory. A jump whose
// line was deleted remembers nothing, and so does one without a number that names a line of the
// script (none, 0 or below, or past the last line, which ends the run): it names no line whose
// identity could be followed, and the checker reports it. An edit whose lines do not add up
// (the first carriage return makes a script end its lines at CR LF only) starts the memory
// afresh, as though the script were opened again.
class jump_memory {
  public:
    // Forgets every edit: each jump now points where its number says.
    void reset(const std::vector<text_view>& lines);

    // Follows an edit that replaced the text from (start_line, start_column) to
    // (end_line, end_column) of `before`, places in its lines as the runner reads them, with
    // `inserted`, giving `after`. Time and memory are linear in the script's lines.
    void follow_edit(const std::vector<text_view>& before, int start_line, int start_column,
                     int end_line, int end_column, text_view inserted,
                     const std::vector<text_view>& after);

    // A jump whose number no longer names the line it pointed at.
    struct moved_jump {
        int line;       // the 0-based line of the "fgoto"
        int written;    // the 1-based line its number names now
        int remembered; // the 1-based line it pointed at before the edits
    };
    std::vector<moved_jump> moved(const std::vector<text_view>& lines) const;

  private:
    // For each line, the 0-based line its jump points at, or -1 when it remembers none.
    std::vector<int> pointed_at_;
};

} // namespace tovl::lsp
