// Hostile input: garbage and NUL bytes, huge scripts and lines, every byte through the file
// commands, and every kind of bad operand field for every command at every field width.
#include "fakesystem.h"
#include "interp/codepage.h"
#include "interp/interpreter.h"
#include "interp/runerror.h"
#include "testhost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>

using namespace tovl;
namespace fs = std::filesystem;

namespace {

struct outcome {
    std::optional<errorkind> error;
    text output;
    std::vector<text> messages;
};

// Runs a script once in a fresh interpreter.
outcome run(const text& script, std::deque<text> answers = {}) {
    testhost host;
    fakesystem system;
    interpreter interp(host, system);
    host.intext = script;
    host.answers = std::move(answers);
    outcome result;
    try {
        interp.runprogram();
    } catch (const runerror& e) {
        result.error = e.kind();
    } catch (const programend&) {
    }
    result.output = host.outtext;
    result.messages = host.messages;
    return result;
}

// Runs with a temporary folder as the working directory.
class infolder : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "tovlhostileXXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        previous = fs::current_path();
        fs::current_path(folder);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    std::string readbytes(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path folder, previous;
};

} // namespace

TEST(hostile, garbageandnulbytesareordinarycharacters) {
    // Lines of binary garbage do nothing; a NUL inside a keyword is no keyword; NULs and
    // control characters in a text are kept.
    std::string garbage;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n') garbage.push_back(static_cast<char>(b));
    }
    text script = lines({decodecodepage(garbage), text(u"f\0ewl", 5), text(u"\0\0\0", 3), u"fnumv1",
                         text(u"fsetv1a\0b\x01", 10), u"fprnt1", u"fnewl"});
    outcome r = run(script);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(r.output, text(u"a\0b\x01\r\n", 6));
}

TEST(hostile, bigscriptsandlonglinesrunwhole) {
    // About 10 MB of script in 32,000 lines, and one line of a million characters.
    text filler(320, u'x');
    text script;
    for (int i = 0; i < 32000; ++i)
        script += u"'" + filler + u"\r\n";
    text longline = u"fsetv1" + text(1'000'000, u'y');
    script += lines({u"fnumv1", longline, u"fprnt1", u"fprnt1"});
    ASSERT_GT(script.size() * 2, 10'000'000u);
    outcome r = run(script);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(r.output.size(), 2'000'000u);
    EXPECT_EQ(r.output.find_first_not_of(u'y'), text::npos);
}

TEST_F(infolder, everycharacterofthecodepagesurvivessaveandload) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n') bytes.push_back(static_cast<char>(b));
    }
    text chars = decodecodepage(bytes);
    outcome r = run(lines({u"fnumv3", u"fsetv1" + chars, u"fsetv2all.txt", u"ssave12", u"sload32",
                           u"fprnt1", u"fprnt3"}));
    EXPECT_FALSE(r.error);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(readbytes("all.txt"), bytes + "\r\n");
    EXPECT_EQ(r.output, chars + chars + u"\r\n");
}

TEST_F(infolder, unusablefilenamesarereportedandtherungoeson) {
    fs::create_directory("folder");
    std::string toolong(5000, 'n');
    struct namecase {
        text name;
        const char16_t* save; // the report of "ssave"
        const char16_t* load; // the report of "sload"
    };
    for (const namecase& c : {
             namecase{u"", u"8 Path not found", u"6 File not found"},
             namecase{u"folder", u"10 Path/file access error", u"10 Path/file access error"},
             namecase{decodecodepage(toolong), u"9 Bad file name", u"9 Bad file name"},
             namecase{u"no/such/folder/x.txt", u"8 Path not found", u"8 Path not found"},
             namecase{u"/dev/full", u"12 Disk full", u"10 Path/file access error"},
         }) {
        outcome r = run(lines(
            {u"fnumv2", u"fsetv1" + c.name, u"fsetv2kept", u"ssave21", u"sload21", u"fprnt2"}));
        EXPECT_FALSE(r.error);
        ASSERT_EQ(r.messages.size(), 2u) << std::string(c.name.begin(), c.name.end());
        EXPECT_EQ(r.messages[0], c.save);
        EXPECT_EQ(r.messages[1], c.load);
        EXPECT_EQ(r.output, u"kept"); // the receiving slot keeps its value
    }
}

TEST_F(infolder, areadonlyfileisnotreplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
    std::ofstream("locked.txt") << "old";
    fs::permissions("locked.txt", fs::perms::owner_read);
    outcome r = run(lines({u"fnumv2", u"fsetv1locked.txt", u"fsetv2new", u"ssave21"}));
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0], u"11 Permission denied");
    EXPECT_EQ(readbytes("locked.txt"), "old");
}

TEST(hostile, emptyandquoteonlycommandlinesarenotlaunched) {
    testhost host;
    struct realisticsystem : fakesystem {
        void launch(textview commandline, int16_t style) override {
            // As the real layer does: the words of the line, and no program without one.
            if (commandline.find_first_not_of(u" \"") == textview::npos) {
                throw runerror(errorkind::filenotfound);
            }
            fakesystem::launch(commandline, style);
        }
    } system;
    for (const char16_t* commandline : {u"", u"   ", u"\"\"", u"\" \""}) {
        interpreter interp(host, system);
        host.intext = lines({u"fnumv1", text(u"fsetv1") + commandline, u"frexe1"});
        try {
            interp.runprogram();
            ADD_FAILURE() << "launched an empty command line";
        } catch (const runerror& e) {
            EXPECT_EQ(e.kind(), errorkind::filenotfound);
        }
    }
    EXPECT_TRUE(system.launches.empty());
}

// Every command that reads operand fields, at every field width, with each kind of field
// text in its first field. Slots hold their own number as text, so the slot a field named
// shows in what the command did.
TEST(hostile, everyfieldformateverycommandeverywidth) {
    struct fieldcase {
        const char16_t* text; // right-aligned in the field, blanks in front
        int slot;             // the slot it names, or -1 for an error
        errorkind error;      // the error when slot is -1
    };
    const fieldcase cases[] = {
        {u"", -1, errorkind::typemismatch},          // missing: the line ends early
        {u" ", -1, errorkind::typemismatch},         // blank
        {u"1", 1, {}},                               // plain
        {u"+1", 1, {}},                              // signed
        {u"-1", -1, errorkind::subscriptoutofrange}, // negative
        {u"1.5", 2, {}},                             // fraction, half to even
        {u"2.5", 2, {}},
        {u"1e0", 1, {}},                      // exponent
        {u"9e99", -1, errorkind::overflow},   // beyond every slot number
        {u"1x", -1, errorkind::typemismatch}, // trailing garbage
        {u"00001", 1, {}},                    // leading zeros
    };
    // The commands, each written for field width w with field 1 = F and further fields 2, 3.
    const char16_t* commands[] = {u"fprnt", u"fmsgb", u"ftitl", u"fcopy", u"fappd", u"fsetv",
                                  u"frexe", u"scdrm", u"fifvr", u"finpt", u"fmath", u"frand"};
    for (int width = 1; width <= 5; ++width) {
        int n = width == 1 ? 3 : width == 2 ? 12 : width == 3 ? 123 : width == 4 ? 1234 : 12345;
        auto field = [&](const text& t) { return text(width - t.size(), u' ') + t; };
        auto number = [&](int k) { return field(fromascii(std::to_string(k))); };
        for (const fieldcase& c : cases) {
            if (static_cast<int>(std::char_traits<char16_t>::length(c.text)) > width) continue;
            for (const char16_t* command : commands) {
                text keyword = command;
                // Without its operator column "fifvr" converts nothing: a short line does nothing.
                if (keyword == u"fifvr" && !c.text[0]) continue;
                text line = keyword + (c.text[0] ? field(c.text) : text());
                bool shortline = !c.text[0];
                if (!shortline) {
                    if (keyword == u"fsetv")
                        line += u"value";
                    else if (keyword == u"fifvr")
                        line += number(2) + u"=";
                    else if (keyword == u"fmath")
                        line += number(2) + number(3) + u"+";
                    else if (keyword != u"fprnt" && keyword != u"fmsgb" && keyword != u"ftitl" &&
                             keyword != u"frexe" && keyword != u"scdrm")
                        line += number(2) + number(3);
                }
                text setup = u"fnumv" + fromascii(std::to_string(n)) + u"\r\n";
                for (int k = 1; k <= 3; ++k)
                    setup += u"fsetv" + number(k) + fromascii(std::to_string(k)) + u"\r\n";
                // scdrm needs a number or nothing in its slot: slot 1's "1" and 2's "2" both do.
                outcome r = run(setup + line + u"\r\n", {u"answer"});
                std::string label = std::string(line.begin(), line.end()) + " (width " +
                                    std::to_string(width) + ")";
                if (c.slot < 0) {
                    ASSERT_TRUE(r.error) << label;
                    EXPECT_EQ(*r.error, c.error) << label;
                } else {
                    EXPECT_FALSE(r.error) << label;
                }
                if (c.slot > 0 && keyword == u"fprnt") {
                    EXPECT_EQ(r.output, fromascii(std::to_string(c.slot))) << label;
                }
            }
        }
    }
}
