// Texts at the edges: the code page, UTF-8, and what the console writes for printed text.
#include "host/console_host.h"
#include "interp/code_page.h"
#include "interp/utf8.h"
#include "support.h"

#include <fcntl.h>
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
    EXPECT_EQ(to_utf8(u"\xDFFF\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD"); // lone surrogates
    EXPECT_EQ(from_utf8("\xE2\x82\xAC\xF0\x9F\x98\x80\xE0\x80\x80"),
              u"\u20AC\U0001F600\uFFFD\uFFFD\uFFFD");
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
