// The runner, the dispatcher's skip gate and start-up's fallback, against a test host.
#include "app/tovlmod.h"
#include "fakesystem.h"
#include "interp/interpreter.h"
#include "interp/runerror.h"
#include "testhost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace tovl;

namespace {

// Runs a script once; gives the error it raised, if any.
std::optional<runerror> runonce(testhost& host, interpreter& interp, const text& script) {
    host.intext = script;
    try {
        interp.runprogram();
    } catch (const runerror& e) {
        return e;
    }
    return std::nullopt;
}

} // namespace

TEST(runner, anemptyscriptrunsnothingandleavesthecounteratzero) {
    testhost host;
    fakesystem system;
    interpreter interp(host, system);
    EXPECT_FALSE(runonce(host, interp, u""));
    EXPECT_EQ(interp.currentline(), 0);
    EXPECT_EQ(host.outtext, u"");
}

TEST(runner, errorscarrythelinetheyarosein) {
    testhost host;
    fakesystem system;
    interpreter interp(host, system);
    auto error = runonce(host, interp, lines({u"fnumv3", u"' comment", u"fprnt9"}));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), errorkind::subscriptoutofrange);
    EXPECT_EQ(error->line(), 2);
}

TEST(runner, ajumpbeforethefirstlineisasubscripterroronthejumpingline) {
    testhost host;
    fakesystem system;
    interpreter interp(host, system);
    auto error = runonce(host, interp, lines({u"fnumv3", u"fgoto0"}));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), errorkind::subscriptoutofrange);
    EXPECT_EQ(error->line(), 1);
}

TEST(runner, lineslimitsareoverflowsbeforeandafterthelastline) {
    testhost host;
    fakesystem system;
    interpreter interp(host, system);
    text full;
    for (int i = 0; i < 32767; ++i)
        full += u"x\r\n";
    full += u"fnewl"; // 32768 lines: all run, then the counter overflows
    auto error = runonce(host, interp, full);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), errorkind::overflow);
    EXPECT_EQ(error->line(), 32767);
    EXPECT_EQ(host.outtext, u"\r\n");

    host.outtext.clear();
    error = runonce(host, interp, u"fnewl\r\n" + full); // 32769 lines: nothing runs
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), errorkind::overflow);
    EXPECT_EQ(error->line(), runerror::noline);
    EXPECT_EQ(host.outtext, u"");
}

TEST(dispatch, theskipflagoutlivesarun) {
    testhost host;
    fakesystem system;
    interpreter interp(host, system);
    // The failing comparison skips the rest, "endif" included, so the flag stays set.
    EXPECT_FALSE(runonce(host, interp, lines({u"fnumv3", u"fsetv1a", u"fifvr12=", u"fnewl"})));
    EXPECT_FALSE(runonce(host, interp, lines({u"fnewl", u"endif", u"fnewl"})));
    EXPECT_EQ(host.outtext, u"\r\n");
}

TEST(dialogs, promptsandanswersgothroughthehost) {
    testhost host;
    fakesystem system;
    interpreter interp(host, system);
    host.answers = {u"Ada"};
    EXPECT_FALSE(runonce(
        host, interp,
        lines({u"fnumv3", u"fsetv2Name?", u"finpt12", u"fmsgb1", u"ftitl1", u"fprnt1", u"ftxtd"})));
    ASSERT_EQ(host.prompts.size(), 1u);
    EXPECT_EQ(host.prompts[0], u"Name?");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], u"Ada");
    EXPECT_EQ(host.caption, u"Ada");
    EXPECT_EQ(host.caret, 3);
}

class startup : public ::testing::Test {
  protected:
    void SetUp() override {
        // Tests run in parallel processes: each gets a file of its own.
        path = ::testing::TempDir() + "tovl-startup-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
               std::to_string(::getpid()) + ".tovl";
        quoted = u"\"" + text(path.begin(), path.end()) + u"\"";
    }
    void TearDown() override { std::remove(path.c_str()); }
    void write(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

    std::string path;
    text quoted;
    testhost host;
    fakesystem system;
    std::vector<std::pair<errorkind, bool>> fallbacks;
    fallbacknotice notice = [this](const runerror& e, bool inrun) {
        fallbacks.emplace_back(e.kind(), inrun);
    };
};

TEST_F(startup, runsthequotedscriptonce) {
    write("fnumv3\r\nfsetv1Hello\r\nfprnt1\r\nfnewl\r\n");
    interpreter interp(host, system);
    Main(interp, host, quoted, notice);
    EXPECT_EQ(host.outtext, u"Hello\r\n");
    EXPECT_TRUE(fallbacks.empty());
    EXPECT_EQ(host.shown, 1);
}

TEST_F(startup, afirstrunerrorrunsthescriptagainwithitsstate) {
    // The first answer is not a number, so the first run fails at the sum; the second run
    // asks again, gets a number and ends normally after the first run's output.
    write("fnumv3\r\nfsetv2Number?\r\nfinpt12\r\nfmath111+\r\nfprnt1\r\n");
    host.answers = {u"x", u"5"};
    interpreter interp(host, system);
    Main(interp, host, quoted, notice);
    ASSERT_EQ(fallbacks.size(), 1u);
    EXPECT_EQ(fallbacks[0].first, errorkind::typemismatch);
    EXPECT_TRUE(fallbacks[0].second);
    EXPECT_EQ(host.prompts.size(), 2u);
    EXPECT_EQ(host.outtext, u"10");
}

TEST_F(startup, asecondrunerrorleavesmain) {
    write("fnumv3\r\nfsetv1a\r\nfprnt1\r\nfmath111+\r\n");
    interpreter interp(host, system);
    try {
        Main(interp, host, quoted, notice);
        FAIL() << "the second run's error must leave Main";
    } catch (const runerror& e) {
        EXPECT_EQ(e.kind(), errorkind::typemismatch);
        EXPECT_EQ(e.line(), 3);
    }
    EXPECT_EQ(host.outtext, u"aa"); // lines before the error ran twice
    EXPECT_EQ(fallbacks.size(), 1u);
}

TEST_F(startup, unusableargumentsgivetheemptywindowwithoutamessage) {
    for (const char16_t* argument : {u"", u"x", u"\"\"", u"\"/no/such/file.tovl\""}) {
        testhost empty;
        interpreter interp(empty, system);
        fallbacks.clear();
        Main(interp, empty, argument, notice);
        ASSERT_EQ(fallbacks.size(), 1u);
        EXPECT_FALSE(fallbacks[0].second);
        EXPECT_EQ(empty.intext, u"");
        EXPECT_TRUE(empty.messages.empty());
        EXPECT_GE(empty.shown, 1);
    }
}
