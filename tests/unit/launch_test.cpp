// Process launch: command-line words, the shutdown translation, the program search and real
// detached launches of harmless programs.
#include "interp/runerror.h"
#include "platform/launch.h"

#include "failurekind.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tovl;
using words = std::vector<std::string>;

namespace {

// Waits for a launched program's output file to be complete; the launch itself never waits.
std::string waitforfile(const std::string& path, const std::string& mustend = "") {
    for (int i = 0; i < 500; ++i) {
        std::ifstream in(path);
        std::stringstream content;
        content << in.rdbuf();
        std::string s = content.str();
        if (in && !s.empty() && (mustend.empty() || s.ends_with(mustend))) return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

class launching : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tovl-launch-XXXXXX";
        folder = ::mkdtemp(pattern);
    }
    void TearDown() override { std::system(("rm -rf '" + folder + "'").c_str()); }
    // Runs `words` with standard output sent to `file` for the launch.
    void launchto(const std::string& file, const words& w) {
        int saved = ::dup(STDOUT_FILENO);
        int out = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::close(out);
        launchdetached(w);
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
    }
    std::string folder;
};

} // namespace

TEST(commandline, blanksseparatewordsandquotesgroupthem) {
    EXPECT_EQ(splitcommandline("touch a  b"), (words{"touch", "a", "b"}));
    EXPECT_EQ(splitcommandline("  touch \"a b\" c "), (words{"touch", "a b", "c"}));
    EXPECT_EQ(splitcommandline("x\"y z\"w"), (words{"xy zw"}));
    EXPECT_EQ(splitcommandline("echo \"\""), (words{"echo", ""}));
    EXPECT_EQ(splitcommandline("echo $HOME;ls|wc>f *"), (words{"echo", "$HOME;ls|wc>f", "*"}));
    EXPECT_EQ(splitcommandline("\"unclosed quote"), (words{"unclosed quote"}));
    EXPECT_EQ(splitcommandline("a\tb"), (words{"a\tb"})); // only blanks separate
    EXPECT_TRUE(splitcommandline("   ").empty());
}

TEST(commandline, theshutdownformbecomesthisplatformsshutdown) {
    auto translated = [](const char* line) { return translateshutdown(splitcommandline(line)); };
    EXPECT_EQ(translated("shutdown -s -f -t 30"), (words{"shutdown", "-P", "+1"}));
    EXPECT_EQ(translated("shutdown -s -f -t 60"), (words{"shutdown", "-P", "+1"}));
    EXPECT_EQ(translated("shutdown -s -f -t 61"), (words{"shutdown", "-P", "+2"}));
    EXPECT_EQ(translated("shutdown -s -f -t 0"), (words{"shutdown", "-P", "now"}));
    EXPECT_EQ(translated("shutdown -s -f -t -5"), (words{"shutdown", "-P", "now"}));
    EXPECT_EQ(translated("shutdown -s -f -t 32767"), (words{"shutdown", "-P", "+547"}));
    // Anything else is left alone.
    EXPECT_EQ(translated("shutdown -r -f -t 5"), (words{"shutdown", "-r", "-f", "-t", "5"}));
    EXPECT_EQ(translated("shutdown -s -f -t 5x"), (words{"shutdown", "-s", "-f", "-t", "5x"}));
}

TEST_F(launching, findsprogramsonthepathandreportsmissingorunrunnableones) {
    EXPECT_EQ(findprogram("touch").back(), 'h');
    EXPECT_EQ(findprogram("/bin/sh"), "/bin/sh");
    EXPECT_EQ(failurekind([] { findprogram("no-such-program-tovl"); }), errorkind::filenotfound);
    EXPECT_EQ(failurekind([] { findprogram(""); }), errorkind::filenotfound);
    std::string plain = folder + "/plain";
    std::ofstream(plain) << "not a program";
    EXPECT_EQ(failurekind([&] { findprogram(plain); }), errorkind::permissiondenied);
    EXPECT_EQ(failurekind([&] { launchdetached({plain}); }), errorkind::permissiondenied);
    EXPECT_EQ(failurekind([&] {
                  launchdetached({"no-such-program-tovl", "x"});
              }),
              errorkind::filenotfound);
}

TEST_F(launching, runsthewordsasgivenwithoutashell) {
    // One word with a blank and one with a star: touch gets them as they are.
    launchdetached({"touch", folder + "/a b", folder + "/*"});
    struct stat info {};
    bool made = false;
    for (int i = 0; i < 500 && !made; ++i) {
        made = ::stat((folder + "/*").c_str(), &info) == 0;
        if (!made) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(made);
    EXPECT_EQ(::stat((folder + "/a b").c_str(), &info), 0);
    EXPECT_NE(::stat((folder + "/a").c_str(), &info), 0);
}

TEST_F(launching, theprogramgetsnullinputandnoneofourdescriptors) {
    int leaky = ::open("/dev/null", O_RDONLY); // deliberately without close-on-exec
    ASSERT_GE(::dup2(leaky, 100), 0);
    ::close(leaky);
    std::string fds = folder + "/fds";
    launchto(fds, {"ls", "/proc/self/fd"});
    std::string stdinlink = folder + "/stdin";
    launchto(stdinlink, {"readlink", "/proc/self/fd/0"});
    ::close(100);
    std::string listing = waitforfile(fds);
    EXPECT_EQ(listing.find("100"), std::string::npos) << listing;
    EXPECT_EQ(waitforfile(stdinlink), "/dev/null\n");
}

TEST_F(launching, returnsbeforethelaunchedprogramends) {
    // The program waits for a file that the test creates only after launch has returned.
    std::string go = folder + "/go";
    std::string done = folder + "/done";
    launchdetached(
        {"sh", "-c", "while [ ! -e '" + go + "' ]; do sleep 0.01; done; echo ok > '" + done + "'"});
    struct stat info {};
    EXPECT_NE(::stat(done.c_str(), &info), 0);
    std::ofstream(go) << "";
    EXPECT_EQ(waitforfile(done), "ok\n");
}
