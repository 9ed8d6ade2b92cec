// The Linux file layers: numbered text files, wildcard deletion and file copy, on real files.
#include "interp/codepage.h"
#include "interp/runerror.h"
#include "platform/copyfile.h"
#include "platform/filedelete.h"
#include "platform/textfiles.h"

#include "failurekind.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovl;
namespace fs = std::filesystem;

namespace {

void writebytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readbytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

text name(const std::string& path) {
    return decodecodepage(path);
}

// Whether this process holds a descriptor on `path`, every one marked close-on-exec.
bool closesonexec(const std::string& path) {
    bool found = false;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (fs::read_symlink(entry.path(), ignored) != fs::path(path)) continue;
        int fd = std::atoi(entry.path().filename().c_str());
        if (!(::fcntl(fd, F_GETFD) & FD_CLOEXEC)) return false;
        found = true;
    }
    return found;
}

// A fresh folder for each test, removed with everything in it afterwards.
class platformfiles : public ::testing::Test {
  protected:
    std::string dir;

    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "tovlfilesXXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = fs::canonical(pattern).string();
    }
    void TearDown() override {
        ::chmod(dir.c_str(), 0700);
        fs::remove_all(dir);
    }
    std::string at(const std::string& file) const { return dir + "/" + file; }
    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
};

using textfilestest = platformfiles;
using deletetest = platformfiles;
using copytest = platformfiles;

} // namespace

TEST_F(textfilestest, writesthecharactersasexactcodepagebytes) {
    textfiles table;
    table.open(3, name(at("out.txt")), filemode::output);
    EXPECT_TRUE(closesonexec(at("out.txt")));
    table.write(3, u"a\u20AC\u00E9\r\n");
    table.write(3, u"\u4E2D\n");
    EXPECT_EQ(table.length(3), 7);
    text big(200000, u'z'); // crosses several buffer blocks
    table.write(3, big);
    table.close(3);
    EXPECT_FALSE(table.inuse(3));
    EXPECT_EQ(readbytes(at("out.txt")), "a\x80\xE9\r\n?\n" + std::string(200000, 'z'));

    // Output empties an existing file.
    table.open(1, name(at("out.txt")), filemode::output);
    table.close(1);
    EXPECT_EQ(readbytes(at("out.txt")), "");
}

TEST_F(textfilestest, readlineendsatcrorcrlfandkeepsalonelf) {
    writebytes(at("in.txt"), "one\r\ntwo\rthree\nstill three\r\r\nlast");
    textfiles table;
    table.open(1, name(at("in.txt")), filemode::input);
    EXPECT_EQ(table.readline(1), u"one");
    EXPECT_EQ(table.readline(1), u"two");
    EXPECT_EQ(table.readline(1), u"three\nstill three");
    EXPECT_EQ(table.readline(1), u"");
    EXPECT_FALSE(table.atend(1));
    EXPECT_EQ(table.readline(1), u"last");
    EXPECT_TRUE(table.atend(1));
    table.close(1);

    writebytes(at("empty.txt"), "");
    table.open(2, name(at("empty.txt")), filemode::input);
    EXPECT_TRUE(table.atend(2));
    EXPECT_EQ(table.length(2), 0);
    EXPECT_EQ(table.readline(2), u"");
    table.close(2);
}

TEST_F(textfilestest, linesandreadsspanbufferblocks) {
    // The CR is the last byte of the first 64 KiB block, its LF the first of the next.
    std::string first(65535, 'x');
    std::string longline(150000, 'y');
    writebytes(at("in.txt"), first + "\r\n" + longline + "\r\n\x80z");
    textfiles table;
    table.open(7, name(at("in.txt")), filemode::input);
    EXPECT_EQ(table.length(7), static_cast<int64_t>(first.size() + longline.size() + 6));
    EXPECT_EQ(table.readline(7), name(first));
    EXPECT_EQ(table.readline(7), name(longline));
    EXPECT_EQ(table.read(7, 1), u"\u20AC");
    EXPECT_EQ(table.read(7, 10), u"z");
    EXPECT_TRUE(table.atend(7));
    EXPECT_EQ(table.read(7, 10), u"");
    table.close(7);
}

TEST_F(textfilestest, numberinuseleavestheotherfileuntouched) {
    writebytes(at("in.txt"), "in");
    writebytes(at("keep.txt"), "precious");
    textfiles table;
    table.open(1, name(at("in.txt")), filemode::input);
    EXPECT_EQ(table.lowestfree(), 2);
    EXPECT_EQ(failurekind([&] { table.open(1, name(at("keep.txt")), filemode::output); }),
              errorkind::filealreadyopen);
    EXPECT_EQ(readbytes(at("keep.txt")), "precious");
    EXPECT_EQ(table.read(1, 5), u"in"); // the open file is still the first one

    for (int n = 2; n <= textfiles::maxfilenumber; ++n) {
        table.open(n, name(at("in.txt")), filemode::input);
    }
    EXPECT_EQ(failurekind([&] { table.lowestfree(); }), errorkind::filealreadyopen);
    table.close(200);
    EXPECT_EQ(table.lowestfree(), 200);
}

TEST_F(textfilestest, failuresraisetheirfileerrorkinds) {
    textfiles table;
    EXPECT_EQ(failurekind([&] { table.open(1, name(at("missing.txt")), filemode::input); }),
              errorkind::filenotfound);
    EXPECT_EQ(failurekind([&] { table.open(1, name(at("no/out.txt")), filemode::output); }),
              errorkind::pathnotfound);
    EXPECT_EQ(failurekind([&] { table.open(1, name(dir), filemode::input); }),
              errorkind::pathfileaccess);
    EXPECT_EQ(failurekind([&] { table.open(1, name(dir), filemode::output); }),
              errorkind::pathfileaccess);
    EXPECT_FALSE(table.inuse(1));

    EXPECT_EQ(failurekind([&] { table.readline(1); }), errorkind::badfilename);
    EXPECT_EQ(failurekind([&] { table.write(1, u"x"); }), errorkind::badfilename);
    EXPECT_EQ(failurekind([&] { table.close(1); }), errorkind::badfilename);
    for (int outside : {0, -1, textfiles::maxfilenumber + 1}) {
        EXPECT_EQ(failurekind([&] { table.open(outside, name(at("x")), filemode::output); }),
                  errorkind::badfilename);
        EXPECT_FALSE(table.inuse(outside));
    }
    EXPECT_FALSE(fs::exists(at("x")));
}

TEST_F(textfilestest, afulldeviceisadiskfullerror) {
    textfiles table;
    table.open(1, u"/dev/full", filemode::output);
    table.write(1, u"buffered");
    EXPECT_EQ(failurekind([&] { table.close(1); }), errorkind::diskfull);
    EXPECT_FALSE(table.inuse(1));

    // More than a buffer's worth fails at the write itself.
    table.open(1, u"/dev/full", filemode::output);
    EXPECT_EQ(failurekind([&] { table.write(1, text(100000, u'a')); }), errorkind::diskfull);
    table.closeall();
    EXPECT_FALSE(table.inuse(1));
}

TEST_F(textfilestest, closeallwritesouteveryfile) {
    {
        textfiles table;
        table.open(4, name(at("a.txt")), filemode::output);
        table.open(9, name(at("b.txt")), filemode::output);
        table.write(4, u"alpha");
        table.write(9, u"beta");
        table.closeall();
        EXPECT_FALSE(table.inuse(4));
        EXPECT_FALSE(table.inuse(9));
        table.open(4, name(at("c.txt")), filemode::output);
        table.write(4, u"gamma"); // left open: the table's end writes it out
    }
    EXPECT_EQ(readbytes(at("a.txt")), "alpha");
    EXPECT_EQ(readbytes(at("b.txt")), "beta");
    EXPECT_EQ(readbytes(at("c.txt")), "gamma");
}

TEST_F(deletetest, wildcardsmatchonlythelastpartandneverfolders) {
    for (const char* f : {"a1.txt", "a22.txt", "b1.txt", ".hidden.txt", "a1.dat", "[ab].txt"}) {
        writebytes(at(f), f);
    }
    fs::create_directory(at("a3.txt"));
    writebytes(at("outside.txt"), "");
    fs::create_directory(at("sub"));

    deletematching(name(at("a?.txt")));
    EXPECT_FALSE(fs::exists(at("a1.txt")));
    EXPECT_TRUE(fs::exists(at("a22.txt")));
    EXPECT_TRUE(fs::is_directory(at("a3.txt")));

    // Brackets are ordinary characters.
    writebytes(at("sub/a.txt"), "");
    writebytes(at("sub/[ab].txt"), "");
    deletematching(name(at("sub/[ab].txt")));
    EXPECT_TRUE(fs::exists(at("sub/a.txt")));
    EXPECT_FALSE(fs::exists(at("sub/[ab].txt")));

    deletematching(name(at("*.txt")));
    for (const char* gone : {"a22.txt", "b1.txt", ".hidden.txt", "[ab].txt", "outside.txt"}) {
        EXPECT_FALSE(fs::exists(at(gone))) << gone;
    }
    EXPECT_TRUE(fs::exists(at("a1.dat")));
    EXPECT_TRUE(fs::exists(at("sub/a.txt")));
    EXPECT_TRUE(fs::is_directory(at("a3.txt")));

    // Only the folder is left to match.
    EXPECT_EQ(failurekind([&] { deletematching(name(at("*.txt"))); }), errorkind::filenotfound);
    EXPECT_EQ(failurekind([&] { deletematching(name(at("a3.txt"))); }), errorkind::filenotfound);
    EXPECT_TRUE(fs::is_directory(at("a3.txt")));
}

TEST_F(deletetest, missingnamesfoldersandplainnames) {
    writebytes(at("one.txt"), "");
    EXPECT_EQ(failurekind([&] { deletematching(name(at("none*"))); }), errorkind::filenotfound);
    EXPECT_EQ(failurekind([&] { deletematching(name(at("none.txt"))); }), errorkind::filenotfound);
    EXPECT_EQ(failurekind([&] { deletematching(name(at("nofolder/*"))); }),
              errorkind::pathnotfound);
    EXPECT_EQ(failurekind([&] { deletematching(u""); }), errorkind::filenotfound);
    EXPECT_TRUE(fs::exists(at("one.txt")));
    deletematching(name(at("one.txt")));
    EXPECT_FALSE(fs::exists(at("one.txt")));

    // A `*` in the folder part names that folder only.
    fs::create_directory(at("x*"));
    fs::create_directory(at("xy"));
    writebytes(at("x*/f"), "");
    writebytes(at("xy/f"), "");
    deletematching(name(at("x*/f")));
    EXPECT_FALSE(fs::exists(at("x*/f")));
    EXPECT_TRUE(fs::exists(at("xy/f")));
}

TEST_F(deletetest, alinkisdeletedbutnotitstarget) {
    fs::create_directory(at("links"));
    writebytes(at("target.txt"), "kept");
    fs::create_symlink(at("target.txt"), at("links/link.txt"));
    deletematching(name(at("links/*")));
    EXPECT_FALSE(fs::is_symlink(at("links/link.txt")));
    EXPECT_EQ(readbytes(at("target.txt")), "kept");
}

TEST_F(deletetest, afilethatcannotbedeletedispermissiondenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may delete in a read-only folder";
    writebytes(at("locked.txt"), "");
    ASSERT_EQ(::chmod(dir.c_str(), 0500), 0);
    EXPECT_EQ(failurekind([&] { deletematching(name(at("*.txt"))); }), errorkind::permissiondenied);
    ::chmod(dir.c_str(), 0700);
    EXPECT_TRUE(fs::exists(at("locked.txt")));
}

TEST_F(copytest, copyreplacesandkeepsthepermissionbits) {
    std::string bytes;
    for (int i = 0; i < 300000; ++i)
        bytes.push_back(static_cast<char>(i * 7));
    writebytes(at("src"), bytes);
    ::chmod(at("src").c_str(), 0640);
    writebytes(at("dst"), "an older and longer content than nothing");
    EXPECT_EQ(CopyFileA(at("src").c_str(), at("dst").c_str(), 0), 1);
    EXPECT_EQ(readbytes(at("dst")), bytes);
    struct stat info {};
    ASSERT_EQ(::stat(at("dst").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(), 2u); // no temporary file left behind
}

TEST_F(copytest, failifexistskeepsanexistingdestination) {
    writebytes(at("src"), "new");
    writebytes(at("dst"), "old");
    EXPECT_EQ(CopyFileA(at("src").c_str(), at("dst").c_str(), 1), 0);
    EXPECT_EQ(readbytes(at("dst")), "old");
    EXPECT_EQ(CopyFileA(at("src").c_str(), at("fresh").c_str(), 1), 1);
    EXPECT_EQ(readbytes(at("fresh")), "new");
    EXPECT_EQ(entries(), 3u);
}

TEST_F(copytest, copyingontoitselfleavesthefileintact) {
    writebytes(at("src"), "content");
    ASSERT_EQ(::link(at("src").c_str(), at("hard").c_str()), 0);
    fs::create_symlink(at("src"), at("soft"));
    struct stat before {};
    ASSERT_EQ(::stat(at("src").c_str(), &before), 0);
    EXPECT_EQ(CopyFileA(at("src").c_str(), at("src").c_str(), 0), 1);
    EXPECT_EQ(CopyFileA(at("src").c_str(), at("hard").c_str(), 0), 1);
    EXPECT_EQ(CopyFileA(at("hard").c_str(), at("soft").c_str(), 0), 1);
    EXPECT_EQ(CopyFileA(at("src").c_str(), at("src").c_str(), 1), 0);
    EXPECT_EQ(readbytes(at("src")), "content");
    // Untouched, not replaced by a copy: the same file, still under both names.
    struct stat after {};
    ASSERT_EQ(::stat(at("src").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_TRUE(fs::is_symlink(at("soft")));
    EXPECT_EQ(entries(), 3u);
}

TEST_F(copytest, abadsourceordestinationfails) {
    EXPECT_EQ(CopyFileA(at("missing").c_str(), at("dst").c_str(), 0), 0);
    EXPECT_FALSE(fs::exists(at("dst")));
    EXPECT_EQ(CopyFileA(dir.c_str(), at("dst").c_str(), 0), 0);
    EXPECT_FALSE(fs::exists(at("dst")));
    writebytes(at("src"), "x");
    EXPECT_EQ(CopyFileA(at("src").c_str(), at("nofolder/dst").c_str(), 0), 0);
    fs::create_directory(at("folder"));
    EXPECT_EQ(CopyFileA(at("src").c_str(), at("folder").c_str(), 0), 0);
    EXPECT_TRUE(fs::is_directory(at("folder")));
    EXPECT_EQ(CopyFileA(nullptr, at("dst").c_str(), 0), 0);
    EXPECT_EQ(entries(), 2u);
}
