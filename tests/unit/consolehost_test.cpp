// The console host's standard output: UTF-8, CR LF pairs as LF even across prints, lone CRs
// and LFs kept.
#include "host/consolehost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace tovl;

namespace {

// Everything the console host writes to standard output for these prints.
std::string consoleoutput(std::initializer_list<const char16_t*> prints) {
    std::string path = ::testing::TempDir() + "tovl-console-" + std::to_string(::getpid());
    int saved = ::dup(STDOUT_FILENO);
    int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(file, STDOUT_FILENO);
    ::close(file);
    {
        consolehost host;
        for (const char16_t* p : prints)
            host.appendouttext(p);
    }
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::remove(path.c_str());
    return content.str();
}

} // namespace

TEST(consoleoutput, writescrlfasonelineendevenwhensplit) {
    EXPECT_EQ(consoleoutput({u"a\r\nb", u"\r\n"}), "a\nb\n");
    EXPECT_EQ(consoleoutput({u"a\r", u"\nb"}), "a\nb");
    EXPECT_EQ(consoleoutput({u"a\r", u"\r\n"}), "a\r\n");
}

TEST(consoleoutput, keepslonecrandlfandendswithaheldcr) {
    EXPECT_EQ(consoleoutput({u"a\rb\nc"}), "a\rb\nc");
    EXPECT_EQ(consoleoutput({u"a\r", u"b"}), "a\rb");
    EXPECT_EQ(consoleoutput({u"end\r"}), "end\r");
}

TEST(consoleoutput, encodesasutf8) {
    EXPECT_EQ(consoleoutput({u"\u00E9\u20AC", u"\U0001F600"}),
              "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
}
