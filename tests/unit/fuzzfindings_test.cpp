// Regression tests for faults found while fuzzing scripts: file commands on files that are not
// plain files.
#include "fakesystem.h"
#include "interp/interpreter.h"
#include "interp/runerror.h"
#include "testhost.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tovl;
namespace fs = std::filesystem;

namespace {

std::string narrow(const text& t) {
    return std::string(t.begin(), t.end());
}

// Runs the script in a child process in `folder`, under an address-space limit of 1 GiB and
// a five-second alarm, so that a command that reads without end or blocks fails this test
// instead of eating the machine's memory or hanging it. The child succeeds when the run ends
// without an error, its output is `expected` and it showed exactly `messages` messages.
// Returns what went wrong, or the empty string.
std::string runconfined(const std::string& folder, const text& script, const text& expected,
                        size_t messages) {
    std::fflush(nullptr);
    pid_t child = ::fork();
    if (child < 0) return "fork failed";
    if (child == 0) {
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer reserves far more address space than this
        rlimit memory{size_t(1) << 30, size_t(1) << 30};
        ::setrlimit(RLIMIT_AS, &memory);
#endif
        ::alarm(5);
        if (::chdir(folder.c_str()) != 0) std::_Exit(4);
        testhost host;
        fakesystem system;
        interpreter interp(host, system);
        host.intext = script;
        // Nothing may leave the child: its stack holds the test framework's own frames.
        try {
            interp.runprogram();
        } catch (const runerror& e) {
            std::fprintf(stderr, "run-time error %d: %s\n", e.number(), e.what());
            std::_Exit(3);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "exception: %s\n", e.what());
            std::_Exit(5);
        } catch (...) {
            std::_Exit(5);
        }
        textfiles::process().closeall();
        if (host.outtext != expected || host.messages.size() != messages) {
            std::fprintf(stderr, "output \"%s\" with %zu messages%s%s\n",
                         narrow(host.outtext).c_str(), host.messages.size(),
                         host.messages.empty() ? "" : ", the first: ",
                         host.messages.empty() ? "" : narrow(host.messages[0]).c_str());
            std::_Exit(3);
        }
        std::_Exit(0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return "waitpid failed";
    if (WIFSIGNALED(status)) {
        if (WTERMSIG(status) == SIGALRM) return "the run blocked (stopped after 5 seconds)";
        return "the run died of signal " + std::to_string(WTERMSIG(status)) +
               " (memory exhausted or aborted)";
    }
    if (WEXITSTATUS(status) == 5) return "the run threw (memory exhausted?), see above";
    if (WEXITSTATUS(status) != 0) return "the run ended wrongly, see above";
    return {};
}

class nonplainfiles : public ::testing::Test {
  protected:
    std::string dir;

    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "tovlfuzzXXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = fs::canonical(pattern).string();
    }
    void TearDown() override { fs::remove_all(dir); }
};

} // namespace

// "sload" of a device that never reaches its end used to read until memory ran out. The
// command must report an error, keep the slot's value and let the script go on.
TEST_F(nonplainfiles, sloadofadevicewithoutendreportsanerrorandgoeson) {
    for (const char16_t* device : {u"/dev/zero", u"/dev/urandom"}) {
        SCOPED_TRACE(narrow(device));
        text setname = text(u"fsetv1") + device;
        text script = lines({u"fnumv2", u"fsetv0kept", setname.c_str(), u"sload01", u"fprnt0"});
        EXPECT_EQ(runconfined(dir, script, u"kept", 1), "");
    }
}

// A named pipe without a writer used to block "sload" in its open for ever, and one without a
// reader blocked "ssave". Both must report an error and go on.
TEST_F(nonplainfiles, fifoswithoutapartnerdonotblocksloadorssave) {
    ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
    EXPECT_EQ(runconfined(dir,
                          lines({u"fnumv2", u"fsetv0kept", u"fsetv1pipe", u"sload01", u"fprnt0"}),
                          u"kept", 1),
              "")
        << "sload";
    EXPECT_EQ(runconfined(dir,
                          lines({u"fnumv2", u"fsetv0data", u"fsetv1pipe", u"ssave01", u"fprnt0"}),
                          u"data", 1),
              "")
        << "ssave";
}

// The refusal must not touch plain files: both commands still work on them afterwards, in the
// same folder and under the same file number.
TEST_F(nonplainfiles, plainfilesstillsaveandloadafterarefusal) {
    ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
    text script = lines({u"fnumv3", u"fsetv1pipe", u"sload01", u"fsetv2plain.txt", u"fsetv3abc",
                         u"ssave32", u"sload02", u"fprnt0"});
    EXPECT_EQ(runconfined(dir, script, u"abc\r\n", 1), "");
}
