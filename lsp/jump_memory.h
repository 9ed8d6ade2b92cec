// Which line each jump of a script pointed at before an edit inserted or removed lines, so that
// the jumps can be renumbered to land where they did.
#pragma once

#include "interp/text.h"

#include <vector>

namespace tovl::lsp {

class jump_memory {
  public:
    // Forgets every edit: each jump now points where its number says.
    void reset(const std::vector<text_view>& lines);

    // Follows an edit that replaced the text from (start_line, start_column) to
    // (end_line, end_column) of `before` with `inserted`, giving `after`.
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
};

} // namespace tovl::lsp
