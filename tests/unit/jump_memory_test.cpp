// The language server's jump memory: which line keeps its identity through an edit.
#include "lsp/open_script.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

using namespace tovl;
using namespace tovl::lsp;

namespace {

struct edit {
    int start_line, start_column, end_line, end_column;
    text_view inserted;
};

// The moved jumps (1-based line, written, remembered) after `edits` of `script`.
std::vector<std::tuple<int, int, int>> moved_after(text_view script, std::vector<edit> edits) {
    open_script s("file:///t.tovl", text(script), 1);
    for (const edit& e : edits)
        s.apply_change(text_range{{e.start_line, e.start_column}, {e.end_line, e.end_column}},
                       e.inserted, 2);
    std::vector<std::tuple<int, int, int>> found;
    for (const jump_memory::moved_jump& m : s.jumps().moved(s.lines()))
        found.emplace_back(m.line + 1, m.written, m.remembered);
    return found;
}

} // namespace

TEST(jump_memory, a_line_keeps_its_identity_where_its_text_stays) {
    using moves = std::vector<std::tuple<int, int, int>>;
    const text_view loop = u"a\nT\nb\nfgoto2\nc"; // the jump lands on T
    const edit above{0, 0, 0, 0, u"n\n"};
    EXPECT_EQ(moved_after(loop, {{1, 0, 1, 0, u"\n"}}), (moves{{5, 2, 3}}));       // T moves down
    EXPECT_EQ(moved_after(loop, {{1, 1, 1, 1, u"\n"}}), moves{});                  // T stays up
    EXPECT_EQ(moved_after(loop, {{1, 0, 1, 0, u"U"}, above}), (moves{{5, 2, 3}})); // typed in T
    EXPECT_EQ(moved_after(loop, {{0, 0, 1, 0, u""}}), (moves{{3, 2, 1}}));         // line 1 deleted
    EXPECT_EQ(moved_after(loop, {{0, 1, 1, 0, u""}}), moves{}); // joined to line 1: T is gone
    EXPECT_EQ(moved_after(loop, {{0, 0, 2, 0, u"x\ny\nz\n"}}), moves{});             // T replaced
    EXPECT_EQ(moved_after(loop, {{3, 0, 3, 0, u"m\n"}, above}), (moves{{6, 2, 3}})); // jump moved
    EXPECT_EQ(moved_after(loop, {{3, 5, 3, 6, u"9"}, above}), moves{}); // past the last line
    EXPECT_EQ(moved_after(loop, {{9, 0, 9, 0, u"\nz"}, above}), (moves{{5, 2, 3}}));
    // Lines that end at CR LF only, the first holding a line feed that the editor counts.
    EXPECT_EQ(moved_after(u"x\ny\r\nT\r\nfgoto2", {{2, 0, 2, 0, u"N\r\n"}}), (moves{{4, 2, 3}}));
    // A jump to the last line, and a script typed from nothing.
    EXPECT_EQ(moved_after(u"fgoto2\nT", {above}), (moves{{2, 2, 3}}));
    EXPECT_EQ(moved_after(u"", {{0, 0, 0, 0, u"fgoto1\nT"}, above}), (moves{{2, 1, 2}}));
}
