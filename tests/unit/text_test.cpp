// Texts at the edges: the encodings, reading a script, and what the console writes.
#include "host/console_host.h"
#include "interp/code_page.h"
#include "interp/script_text.h"
#include "interp/utf8.h"
#include "support.h"

#include <fcntl.h>
#include <random>
#include <unistd.h>

using namespace tovl;

TEST(code_page, every_byte_decodes_to_one_character_and_encodes_back) {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    text chars = decode_code_page(bytes);
    ASSERT_EQ(chars.size(), 256u);
    EXPECT_EQ(chars[0x80], u'\u20AC');
    EXPECT_EQ(chars[0x81], u'\u0081');
    EXPECT_EQ(encode_code_page(chars), bytes);
    EXPECT_EQ(encode_code_page(u"\u0080\u00A0\u0100"), "?\xA0?");
}

TEST(utf8, any_bytes_decode_and_encode_back_and_bad_ones_are_escaped) {
    // Overlong, surrogate, past U+10FFFF, cut short: each byte of these stands for itself.
    const std::string malformed[] = {"\xE0\x80\x80", "\xED\xB2\x80", "\xF4\x90\x80\x80",
                                     "\xE2\x82",     "\xC1\xBF",     "\xF8"};
    for (const std::string& bytes : malformed) {
        EXPECT_FALSE(is_valid_utf8(bytes));
        text chars = from_utf8(bytes);
        ASSERT_EQ(chars.size(), bytes.size());
        for (size_t i = 0; i < bytes.size(); ++i)
            EXPECT_EQ(chars[i], 0xDC00 + static_cast<unsigned char>(bytes[i]));
    }
    EXPECT_TRUE(is_valid_utf8("a\xC3\xA9\xE2\x82\xAC\xF4\x8F\xBF\xBF"));
    EXPECT_EQ(from_utf8("\xE2\x82\xAC\xF0\x9F\x98\x80"), u"\u20AC\U0001F600");
    EXPECT_EQ(to_utf8(u"\xDFFF\xD800-\xDC7F"), "\xEF\xBF\xBD\xEF\xBF\xBD-\xEF\xBF\xBD");
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 12, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random() % 4 == 0 ? 0x80 + random() % 0x80 : random());
        for (text_encoding encoding : {text_encoding::utf8, text_encoding::windows_1252})
            ASSERT_EQ(encode_text(encoding, decode_text(encoding, bytes)), bytes);
        // A reader in blocks may cut after any byte that the tail rule does not hold back.
        size_t cut = bytes.size() - incomplete_utf8_tail(bytes);
        ASSERT_EQ(from_utf8(bytes.substr(0, cut)) + from_utf8(bytes.substr(cut)), from_utf8(bytes));
    }
    EXPECT_EQ(incomplete_utf8_tail("a\xF0\x9F\x98"), 3u);
    EXPECT_EQ(incomplete_utf8_tail("a\xF0\x9F\x98\x80"), 0u);
}

TEST(script_text, encoding_byte_order_mark_and_line_ends_follow_the_file) {
    decoded_script utf8 = decode_script("\xEF\xBB\xBF"
                                        "caf\xC3\xA9\n",
                                        std::nullopt);
    EXPECT_EQ(utf8.content, u"caf\u00E9\n");
    EXPECT_EQ(utf8.encoding, text_encoding::utf8);
    decoded_script older = decode_script("caf\xE9\r\n", std::nullopt);
    EXPECT_EQ(older.content, u"caf\u00E9\r\n");
    EXPECT_EQ(older.encoding, text_encoding::windows_1252);
    EXPECT_EQ(decode_script("caf\xC3\xA9", text_encoding::windows_1252).content,
              u"caf\u00C3\u00A9");
    EXPECT_EQ(split_lines(u"a\nb\n"), (std::vector<text_view>{u"a", u"b", u""}));
    EXPECT_EQ(split_lines(u"a\nb\r\nc\r"), (std::vector<text_view>{u"a\nb", u"c\r"}));
    EXPECT_FALSE(mixes_line_ends(u"a\nb\n"));
    EXPECT_TRUE(mixes_line_ends(u"a\nb\r\n"));
    EXPECT_FALSE(mixes_line_ends(u"a\r\nb\r\n"));
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
