// Texts at the edges: the encodings, reading a script, and what the console writes.
#include "host/console_host.h"
#include "interp/script_text.h"
#include "interp/text_encoding.h"
#include "interp/utf8.h"
#include "support.h"

#include <algorithm>
#include <fcntl.h>
#include <random>
#include <unistd.h>

using namespace tovl;

TEST(utf8, any_bytes_decode_and_encode_back_and_bad_ones_are_escaped) {
    // Overlong, surrogate, past U+10FFFF, no lead byte, cut short: each byte stands for itself.
    std::string malformed = "\xE0\x80\x80\xED\xB2\x80\xF4\x90\x80\x80\xC1\xF8\xE2\x82";
    text chars = from_utf8(malformed);
    ASSERT_EQ(chars.size(), malformed.size());
    for (size_t i = 0; i < malformed.size(); ++i)
        EXPECT_EQ(chars[i], 0xDC00 + static_cast<unsigned char>(malformed[i]));
    EXPECT_EQ(to_utf8(u"\xDFFF\xD800-\xDC7F"), "\xEF\xBF\xBD\xEF\xBF\xBD-\xEF\xBF\xBD");
    // The first characters of three and of four bytes are no overlong forms.
    EXPECT_EQ(from_utf8("\xE0\xA0\x80\xF0\x90\x80\x80"), u"\u0800\U00010000");
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        // Long ASCII runs too, which are decoded eight bytes at a time.
        std::string bytes(random() % 40, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random() % 4 == 0 ? 0x80 + random() % 0x80
                                  : random() % 2    ? random() % 0x80
                                                    : random());
        for (text_encoding encoding : {text_encoding::utf8, text_encoding::windows_1252}) {
            ASSERT_EQ(encode_text(encoding, decode_text(encoding, bytes)), bytes);
            text chars = decode_text(encoding, bytes) + u"\xD800\u4E2D\U0001F600\xDC00";
            ASSERT_EQ(encoded_length(encoding, chars), encode_text(encoding, chars).size());
        }
        text decoded = from_utf8(bytes);
        bool escaped = std::any_of(decoded.begin(), decoded.end(),
                                   [](char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; });
        ASSERT_EQ(is_valid_utf8(bytes), !escaped);
        // A reader in blocks may cut after any byte that the tail rule does not hold back.
        size_t cut = bytes.size() - incomplete_utf8_tail(bytes);
        ASSERT_EQ(from_utf8(bytes.substr(0, cut)) + from_utf8(bytes.substr(cut)), from_utf8(bytes));
    }
    // Only a cut sequence is held back, and no byte before the view's start is looked at.
    std::string_view euro_then_cut = "\xE2\x82\xAC\xE2\x82";
    EXPECT_EQ(incomplete_utf8_tail(euro_then_cut.substr(0, 3)), 0u);
    EXPECT_EQ(incomplete_utf8_tail(euro_then_cut.substr(4)), 0u);
    EXPECT_EQ(incomplete_utf8_tail("\xF5\x80\x80"), 0u); // F5 starts no sequence
    // Cut anywhere, the characters whose lead bytes are the first and last of each length
    // decode whole once the rest arrives.
    std::string edges = to_utf8(u"\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF");
    for (size_t cut = 0; cut <= edges.size(); ++cut) {
        size_t kept = cut - incomplete_utf8_tail(std::string_view(edges).substr(0, cut));
        EXPECT_EQ(from_utf8(edges.substr(0, kept)) + from_utf8(edges.substr(kept)),
                  from_utf8(edges))
            << cut;
    }
}

// Lines end at CR LF when the script holds a CR anywhere, at LF otherwise: compared with the
// plain reading of that rule on random scripts of a few characters.
TEST(script_text, lines_end_at_cr_lf_or_at_lf_and_mixed_ends_are_seen) {
    auto plain_split = [](text_view script) {
        std::vector<text> lines;
        if (script.empty()) return lines;
        text_view end = script.find(u'\r') == text_view::npos ? u"\n" : u"\r\n";
        size_t start = 0;
        for (size_t at; (at = script.find(end, start)) != text_view::npos; start = at + end.size())
            lines.emplace_back(script.substr(start, at - start));
        lines.emplace_back(script.substr(start));
        return lines;
    };
    std::mt19937 random(12);
    for (int round = 0; round < 5000; ++round) {
        text script(random() % 10, u'a');
        for (char16_t& c : script)
            c = u"a\r\n"[random() % 3];
        std::vector<text> lines;
        for (text_view line : split_lines(script))
            lines.emplace_back(line);
        ASSERT_EQ(lines, plain_split(script)) << to_utf8(script);
        // The runners' lines, of the script kept narrow and wide.
        narrow_text narrow(script.begin(), script.end());
        for (text_ref kept : {text_ref(script), text_ref(narrow)}) {
            script_lines found(kept);
            lines.clear();
            for (size_t i = 0; i < found.size(); ++i)
                lines.push_back(widened(found[i]));
            ASSERT_EQ(lines, plain_split(script)) << to_utf8(script);
        }
        bool bare_lf = false;
        for (size_t i = 0; i < script.size(); ++i)
            bare_lf |= script[i] == u'\n' && (i == 0 || script[i - 1] != u'\r');
        bool mixed = bare_lf && script.find(u'\r') != text::npos;
        ASSERT_EQ(mixes_line_ends(script), mixed);
        ASSERT_EQ(mixes_line_ends(narrow), mixed);
    }
}

namespace {

// Everything the console host writes to standard output for these prints.
std::string console_output(std::initializer_list<const char16_t*> prints) {
    temp_folder folder;
    std::string path = folder / "stdout";
    int saved = ::dup(STDOUT_FILENO);
    int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(file, STDOUT_FILENO);
    ::close(file);
    {
        console_host host;
        for (const char16_t* p : prints)
            host.append_output(p);
    }
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    return read_bytes(path);
}

} // namespace

TEST(console_output, writes_cr_lf_as_one_lf_even_when_split_and_keeps_lone_ones) {
    EXPECT_EQ(console_output({u"a\r\nb", u"\r\n"}), "a\nb\n");
    EXPECT_EQ(console_output({u"a\r", u"\nb"}), "a\nb");
    EXPECT_EQ(console_output({u"a\r", u"\r\n"}), "a\r\n");
    EXPECT_EQ(console_output({u"a\rb\nc", u"end\r"}), "a\rb\ncend\r");
}

// Standard error gets every character whole, an emoji whose second half lies in the range of
// escaped bytes too; a surrogate without its partner becomes U+FFFD, an escaped byte its byte.
// A title drops what could end its sequence; Windows-1252 has '?' for each half of an emoji.
TEST(console_output, standard_error_keeps_surrogate_pairs_whole) {
    text t = u"\U0001F4A1\xD83D-\xDC80\x1b\r\n";
    EXPECT_EQ(terminal_text(t, control_characters::kept),
              "\xF0\x9F\x92\xA1\xEF\xBF\xBD-\x80\x1b\n");
    EXPECT_EQ(terminal_text(t, control_characters::shown), "\xF0\x9F\x92\xA1\xEF\xBF\xBD-\x80^[\n");
    EXPECT_EQ(terminal_text(t, control_characters::dropped), "\xF0\x9F\x92\xA1\xEF\xBF\xBD-");
    EXPECT_EQ(encode_text(text_encoding::windows_1252, u"\U0001F4A1\xDC80"), "??\x80");
}

// The runners decode a script a piece at a time: characters cut by a piece's end, bytes of the
// code page and a text that widens late decode as the whole script does.
TEST(script_text, a_script_decoded_compact_reads_as_decoded_whole) {
    std::string utf8 = std::string(65534, 'x') + "\xE2\x82\xAC" + std::string(65536, 'y') +
                       "\xC3\xA9\xF0\x9F\x98\x80";
    std::string code_page = std::string(65535, 'x') + "\x80\xE9\xFF" + std::string(70000, 'z');
    for (const std::string& bytes : {utf8, code_page,
                                     std::string("\xEF\xBB\xBF"
                                                 "ab\xC3\xA9")}) {
        compact_script compact = decode_compact_script(bytes, std::nullopt);
        decoded_script whole = decode_script(bytes, std::nullopt);
        EXPECT_EQ(compact.encoding, whole.encoding);
        EXPECT_TRUE(compact.content.chars() == text_ref(whole.content));
    }
}
