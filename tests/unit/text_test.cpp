// Texts at the edges: the encodings, reading a script, and what the console writes.
#include "host/console_host.h"
#include "interp/text_encoding.h"
#include "interp/utf8.h"
#include "support.h"

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
