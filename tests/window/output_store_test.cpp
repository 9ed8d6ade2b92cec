// The window's output store and its line index on their own: line lengths of one byte and
// more, blocks of lines, giving up older lines, segments of one and two bytes a character in
// memory and on disk, and line starts past 4 Gi characters.
#include "host/line_index.h"
#include "host/output_store.h"
#include "interp/utf8.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <vector>

using namespace tovl;

namespace {

// The line starts of a whole text: after each LF and after each CR that no LF follows.
std::vector<size_t> line_starts(text_view all) {
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < all.size(); ++i) {
        bool pair_follows = all[i] == u'\r' && i + 1 < all.size() && all[i + 1] == u'\n';
        if ((all[i] == u'\r' || all[i] == u'\n') && !pair_follows) starts.push_back(i + 1);
    }
    return starts;
}

void expect_lines(const line_index& lines, text_view all) {
    std::vector<size_t> starts = line_starts(all);
    ASSERT_EQ(lines.count(), starts.size());
    for (size_t line = lines.first_line(); line < starts.size(); ++line) {
        ASSERT_EQ(lines.start(line), starts[line]) << line;
        ASSERT_EQ(lines.line_of(starts[line]), line) << line;
        ASSERT_EQ(lines.first_line_from(starts[line]), line) << line;
        if (line + 1 < starts.size()) {
            ASSERT_EQ(lines.line_of(starts[line + 1] - 1), line) << line;
            ASSERT_EQ(lines.first_line_from(starts[line] + 1), line + 1) << line;
        }
    }
}

} // namespace

// Lines of 1 to 16,384 characters, line end included, each ended by CR LF, LF or CR, over
// several blocks; given whole, and a character at a time so that every CR LF pair is split,
// moving a start that lengthens the line before, past 127 (line 0) or 128 (line 15), and that
// begins a block (line 64).
TEST(line_index, finds_lines_of_every_length_given_whole_or_split) {
    const size_t lengths[] = {128, 129, 1, 2, 127, 16383, 16384};
    const char16_t* ends[] = {u"\r\n", u"\n", u"\r"};
    text all;
    for (size_t i = 0; i < 300; ++i) {
        text_view end = ends[i % 3];
        size_t length = std::max(lengths[i % 7], end.size());
        all.append(length - end.size(), u'x');
        all += end;
    }
    line_index whole, split;
    whole.add(all);
    for (char16_t c : all)
        split.add(text_view(&c, 1));
    expect_lines(whole, all);
    expect_lines(split, all);

    // Lines given up from the middle of a block, then from inside a line, then all of them
    // from inside the last; more lines follow each time.
    split.forget_before(split.start(100));
    EXPECT_EQ(split.first_line(), 100u);
    expect_lines(split, all);
    split.forget_before(split.start(150) + 1);
    EXPECT_EQ(split.first_line(), 151u);
    split.add(all);
    all += all;
    expect_lines(split, all);
    text more = all;
    split.add(u"last");
    split.forget_before(split.size() - 1);
    EXPECT_EQ(split.first_line(), split.count());
    split.add(more);
    all += u"last" + more;
    expect_lines(split, all);
}

// The index holds only its newest lines, as the output store keeps it, while their offsets
// outgrow 32 bits.
TEST(line_index, finds_lines_past_four_gibi_characters) {
    // Each block of 2^20 characters ends with a CR whose LF starts the next block, so that the
    // pair at 2^32 - 1 straddles the point where offsets outgrow 32 bits.
    constexpr size_t block = size_t(1) << 20, blocks = 4097;
    text chunk(block, u'x');
    chunk.front() = u'\n';
    chunk.back() = u'\r';
    line_index lines;
    for (size_t i = 0; i < blocks; ++i) {
        lines.add(chunk);
        lines.forget_before(lines.start(lines.count() - 2));
        ASSERT_EQ(lines.count(), i + 3);
        ASSERT_EQ(lines.start(i + 1), i * block + 1) << i;
        ASSERT_EQ(lines.start(i + 2), (i + 1) * block) << i;
    }
    EXPECT_EQ(lines.line_of(blocks * block - 1), blocks);
    EXPECT_EQ(lines.first_line_from((blocks - 1) * block + 2), blocks + 1);
}

// A store of 16 KiB holds segments of 512 characters. A long line fills most of its memory
// and short lines the rest, so that moving half the lines to disk ends inside the newest
// segment, which a wide character then widens: what went to disk a byte a character must come
// back the same as the rest, which goes there in 16 bits. Later segments are narrow and wide
// in turn, given narrow and wide, and all of it reads back exactly. The
// memory it reports is what the run's budget was charged.
TEST(output_store, reads_back_narrow_and_wide_segments_from_memory_and_disk) {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    size_t charged_before = memory_budget::in_use();
    output_store output(16 << 10);
    std::u16string all; // not charged
    auto append_narrow = [&](narrow_view chars) {
        output.append(chars);
        all.append(chars.begin(), chars.end());
    };
    auto append = [&](text_view chars) {
        output.append(chars);
        all += chars;
    };
    append_narrow(std::u8string(13 * 512 + 100, u8'x'));
    for (int i = 0; i < 300; ++i)
        append_narrow(u8"\n");
    append(u"\u20AC wide\r\n");
    for (int i = 0; i < 2000; ++i) {
        if (i % 300 == 150) {
            append(u"\U0001F600 line\r\n");
        } else {
            append_narrow(u8"caf\xE9 \xFF line\r\n");
        }
    }
    EXPECT_LE(output.memory_bytes(), size_t(16) << 10);
    EXPECT_EQ(output.memory_bytes(), memory_budget::in_use() - charged_before);
    ASSERT_EQ(output.kept_from(), 0u);
    ASSERT_EQ(output.size(), all.size());
    EXPECT_EQ(output.read(0, all.size()), text_view(all));
    for (size_t at = 511; at < all.size(); at += 512) {
        ASSERT_EQ(output.read(at, at + 2), text_view(all).substr(at, 2)) << at;
        ASSERT_EQ(output.at(at + 1), all[at + 1]) << at;
    }
    std::string saved;
    output.write_utf8([&](std::string_view bytes) {
        saved += bytes;
        return true;
    });
    EXPECT_EQ(saved, to_utf8(all));
    std::vector<size_t> starts = line_starts(all);
    ASSERT_EQ(output.line_count(), starts.size());
    for (size_t line = 0; line < starts.size(); line += 7)
        ASSERT_EQ(output.line_start(line), starts[line]) << line;
}
