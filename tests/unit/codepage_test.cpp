// The code page of files and the UTF-8 of terminals: byte-exact round trips and replacements.
#include "interp/codepage.h"
#include "interp/utf8.h"

#include <gtest/gtest.h>

using namespace tovl;

TEST(codepage, everybytedecodestoonecharacterandencodesback) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    text decoded = decodecodepage(all);
    ASSERT_EQ(decoded.size(), 256u);
    EXPECT_EQ(encodecodepage(decoded), all);
}

TEST(codepage, highbytesmaptotheirtypographiccharacters) {
    EXPECT_EQ(decodebyte(0x80), u'\u20AC');
    EXPECT_EQ(decodebyte(0x92), u'\u2019');
    EXPECT_EQ(decodebyte(0x9F), u'\u0178');
    EXPECT_EQ(decodebyte(0xE9), u'\u00E9');
    for (unsigned char undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(decodebyte(undefined), char16_t(undefined));
    }
}

TEST(codepage, charactersoutsidethecodepageencodeasquestionmarks) {
    // U+0080 has no byte: 0x80 stands for the euro sign.
    EXPECT_EQ(encodecodepage(u"\u0080\u4E2D\u20ACa"), std::string("??\x80"
                                                                  "a"));
    EXPECT_EQ(encodecodepage(u"\U0001F600"), "??");
}

TEST(utf8, roundtripsbasicandsupplementarycharacters) {
    text sample = u"a\u00E9\u20AC\U0001F600z";
    std::string bytes = toutf8(sample);
    EXPECT_EQ(bytes, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
    EXPECT_EQ(fromutf8(bytes), sample);
}

TEST(utf8, malformedinputbecomesreplacementcharacters) {
    EXPECT_EQ(fromutf8("a\xFF"
                       "b"),
              u"a\uFFFDb");
    EXPECT_EQ(fromutf8("\xC3"), u"\uFFFD");                       // cut short at the end
    EXPECT_EQ(fromutf8("\xC0\xAF"), u"\uFFFD\uFFFD");             // overlong slash
    EXPECT_EQ(fromutf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");   // encoded surrogate
    EXPECT_EQ(toutf8(text(1, char16_t(0xD800))), "\xEF\xBF\xBD"); // lone surrogate
}
