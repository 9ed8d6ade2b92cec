// Long runs keep their memory: ten million executed lines with printing, a thousand rebuilds
// of the largest table, and two hundred launched programs that leave no zombie behind.
#include "fakesystem.h"
#include "interp/interpreter.h"
#include "platform/linuxsystem.h"
#include "testhost.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace tovl;

namespace {

// Resident memory of this process in kB.
long residentkb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

// A host that counts printed characters instead of keeping them.
class countinghost : public testhost {
  public:
    long long printed = 0;
    void appendouttext(textview more) override { printed += static_cast<long long>(more.size()); }
};

text printloop(long iterations) {
    // fprnt, fmath, fifvr, fgoto: four lines per iteration.
    return u"fnumv3\r\nfsetv10\r\nfsetv21\r\nfsetv3" + fromascii(std::to_string(iterations)) +
           u"\r\nfprnt1\r\nfmath121+\r\nfifvr31>\r\nfgoto5\r\nendif\r\n";
}

bool sanitized() {
#ifdef __SANITIZE_ADDRESS__
    return true;
#else
    return false;
#endif
}

} // namespace

TEST(longrun, tenmillionlineswithprintingkeepmemoryflat) {
    if (sanitized()) GTEST_SKIP() << "the sanitizer's own bookkeeping grows with the run";
    countinghost host;
    fakesystem system;
    interpreter interp(host, system);
    host.intext = printloop(100'000);
    interp.runprogram();
    long before = residentkb();
    host.intext = printloop(2'500'000);
    interp.runprogram();
    long after = residentkb();
    EXPECT_GT(host.printed, 2'500'000);
    EXPECT_LT(after - before, 1024) << before << " kB before, " << after << " kB after";
}

TEST(longrun, rebuildingthelargesttableathousandtimeskeepsmemoryflat) {
    if (sanitized()) GTEST_SKIP() << "the sanitizer keeps freed memory in quarantine";
    testhost host;
    fakesystem system;
    interpreter interp(host, system);
    host.intext = u"fnumv32767\r\nfsetv00001x\r\nfsetv32767y\r\n";
    for (int i = 0; i < 10; ++i)
        interp.runprogram();
    long before = residentkb();
    for (int i = 0; i < 1000; ++i)
        interp.runprogram();
    long after = residentkb();
    EXPECT_LT(after - before, 1024) << before << " kB before, " << after << " kB after";
}

TEST(longrun, twohundredlaunchesleavenozombie) {
    testhost host;
    linuxsystem system;
    interpreter interp(host, system);
    // Slot 2 counts to 200; each pass launches a program that ends at once.
    host.intext = u"fnumv4\r\nfsetv1true\r\nfsetv20\r\nfsetv31\r\nfsetv4200\r\n"
                  u"frexe1\r\nfmath232+\r\nfifvr42>\r\nfgoto6\r\nendif\r\n";
    interp.runprogram();
    ::usleep(200'000); // the last programs end
    // Our children are the short-lived middle processes of each launch: all reaped.
    int zombies = 0;
    int children = 0;
    DIR* proc = ::opendir("/proc");
    ASSERT_NE(proc, nullptr);
    while (dirent* entry = ::readdir(proc)) {
        std::ifstream status(std::string("/proc/") + entry->d_name + "/status");
        std::string line, state;
        long parent = -1;
        while (std::getline(status, line)) {
            if (line.rfind("State:", 0) == 0) state = line;
            if (line.rfind("PPid:", 0) == 0) parent = std::stol(line.substr(5));
        }
        if (parent != ::getpid()) continue;
        ++children;
        if (state.find("zombie") != std::string::npos) ++zombies;
    }
    ::closedir(proc);
    EXPECT_EQ(zombies, 0);
    EXPECT_EQ(children, 0);
}
