// The window's output area: line starts past 4 Gi characters.
#include "host/line_index.h"

#include <gtest/gtest.h>

using namespace tovl;

TEST(line_index, finds_lines_past_four_gibi_characters) {
    // Each block of 2^20 characters ends with a CR whose LF starts the next block, so that the
    // pair at 2^32 - 1 straddles the point where offsets outgrow 32 bits.
    constexpr size_t block = size_t(1) << 20, blocks = 4097;
    text chunk(block, u'x');
    chunk.front() = u'\n';
    chunk.back() = u'\r';
    line_index lines;
    for (size_t i = 0; i < blocks; ++i)
        lines.add(chunk);
    ASSERT_EQ(lines.count(), blocks + 2);
    EXPECT_EQ(lines.start(1), 1u);
    for (size_t line = 2; line <= blocks; ++line)
        ASSERT_EQ(lines.start(line), (line - 1) * block + 1) << line;
    EXPECT_EQ(lines.start(blocks + 1), blocks * block);
    EXPECT_EQ(lines.line_of(size_t(1) << 32), 4096u);
    EXPECT_EQ(lines.line_of((size_t(1) << 32) + 1), 4097u);
}
