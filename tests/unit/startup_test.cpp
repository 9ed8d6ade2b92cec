// The start-up both runners share: reading their command lines, the line-end warning.
#include "app/startup.h"
#include "interp/error_report.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using namespace tovl;

namespace {

// The command line "tovl ARGS..." as read with the console's flags, or with none.
struct console_like {
    bool trace = false;
    bool check = false;
    command_line read(std::initializer_list<const char*> args, bool with_flags = true) {
        std::vector<std::string> words{"tovl"};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        const runner_flag flags[] = {{"--trace", &trace}, {"--check", &check, true}};
        std::span<const runner_flag> taken;
        if (with_flags) taken = flags;
        return read_command_line(static_cast<int>(argv.size()), argv.data(), taken);
    }
};

} // namespace

TEST(startup, options_flags_and_scripts_are_read_up_to_the_double_dash) {
    console_like runner;
    command_line args = runner.read(
        {"--encoding=windows-1252", "--trace", "--check", "--once", "--", "--help", "--version"});
    EXPECT_EQ(args.error, "");
    EXPECT_EQ(args.request, runner_request::run);
    EXPECT_EQ(args.encoding, text_encoding::windows_1252);
    EXPECT_TRUE(args.once);
    EXPECT_TRUE(runner.trace);
    EXPECT_TRUE(runner.check);
    EXPECT_EQ(args.scripts, (std::vector<std::string>{"--help", "--version"}));
    // "-" alone names a script; the window takes --once too.
    args = console_like().read({"-"}, false);
    EXPECT_EQ(args.scripts, std::vector<std::string>{"-"});
    EXPECT_FALSE(args.encoding);
    EXPECT_FALSE(args.once);
    EXPECT_TRUE(console_like().read({"--once", "a.tovl"}, false).once);
    // --deny names powers, separated by commas, and may be given more than once.
    args = console_like().read({"--deny=write,eject", "--deny=shutdown", "a.tovl"});
    EXPECT_EQ(args.denied,
              (std::vector<script_power>{script_power::write_files, script_power::eject,
                                         script_power::shut_down}));
}

TEST(startup, the_first_wrong_argument_is_the_error) {
    EXPECT_EQ(console_like().read({"a.tovl", "--bogus", "--encoding=latin1"}).error,
              "unknown option '--bogus'");
    EXPECT_EQ(console_like().read({"--encoding=latin1", "--bogus"}).error,
              "unknown encoding in '--encoding=latin1': use utf-8 or windows-1252");
    EXPECT_EQ(console_like().read({"--bogus", "--help"}).request, runner_request::run);
    EXPECT_EQ(console_like().read({"--deny=run,network", "a.tovl"}).error,
              "unknown power 'network' in '--deny=run,network': use run, delete, write, eject "
              "or shutdown, separated by commas");
    // Read as the window reads it, without the console's flags, --trace is unknown.
    EXPECT_EQ(console_like().read({"--trace", "a.tovl"}, false).error, "unknown option '--trace'");
}

TEST(startup, one_script_at_a_time_unless_a_flag_allows_several) {
    EXPECT_EQ(console_like().read({"a.tovl", "b.tovl"}).error, "one script at a time");
    EXPECT_EQ(console_like().read({"a.tovl", "--trace", "b.tovl"}).error, "one script at a time");
    command_line args = console_like().read({"a.tovl", "b.tovl", "--check"});
    EXPECT_EQ(args.error, "");
    EXPECT_EQ(args.scripts.size(), 2u);
}

TEST(startup, help_and_version_are_answered_whatever_follows_them) {
    EXPECT_EQ(console_like().read({"a.tovl", "--help", "--bogus"}).request, runner_request::help);
    EXPECT_EQ(console_like().read({"a.tovl", "-h", "--bogus"}).request, runner_request::help);
    command_line args = console_like().read({"--version", "a.tovl", "b.tovl"});
    EXPECT_EQ(args.request, runner_request::version);
    EXPECT_EQ(args.error, "");
}

// The window looks for them before Qt starts, ahead of any argument it cannot read yet.
TEST(startup, help_and_version_are_found_before_the_double_dash) {
    std::string words[] = {"tovl", "-platform", "--bogus", "--version", "--", "--help"};
    char* argv[] = {words[0].data(), words[1].data(), words[2].data(),
                    words[3].data(), words[4].data(), words[5].data()};
    EXPECT_EQ(find_help_or_version(6, argv), runner_request::version);
    EXPECT_EQ(find_help_or_version(3, argv), runner_request::run);
    argv[3] = words[4].data(); // "--" before "--help"
    EXPECT_EQ(find_help_or_version(6, argv), runner_request::run);
    std::string short_help = "-h";
    argv[2] = short_help.data();
    EXPECT_EQ(find_help_or_version(6, argv), runner_request::help);
}

TEST(startup, only_a_script_that_mixes_line_ends_is_warned_about) {
    std::optional<text> warning = line_end_warning("dir/s.tovl", u"fnumv1\r\nfnewl\nfnewl\r\n");
    ASSERT_TRUE(warning);
    EXPECT_EQ(*warning, u"warning: dir/s.tovl: " + text(line_feed_hint));
    EXPECT_FALSE(line_end_warning("s.tovl", u"fnumv1\r\nfnewl\r\n"));
    EXPECT_FALSE(line_end_warning("s.tovl", u"fnumv1\nfnewl\n"));
}

TEST(startup, the_memory_budget_is_bytes_or_a_size_in_binary_units) {
    const std::pair<const char*, size_t> sizes[] = {{"--max-memory=512", 512},
                                                    {"--max-memory=3k", 3072},
                                                    {"--max-memory=2M", size_t(2) << 20},
                                                    {"--max-memory=1G", size_t(1) << 30}};
    for (auto [arg, bytes] : sizes) {
        command_line args = console_like().read({arg, "a.tovl"});
        EXPECT_EQ(args.error, "") << arg;
        EXPECT_EQ(args.max_memory, bytes) << arg;
    }
    for (const char* wrong : {"--max-memory=", "--max-memory=0", "--max-memory=12Q",
                              "--max-memory=1MB", "--max-memory=-1", "--max-memory=99999999999G"}) {
        EXPECT_EQ(console_like().read({wrong, "a.tovl"}).error,
                  std::string("bad size in '") + wrong +
                      "': write a number of bytes, or one with K, M or G (512M)");
    }
    // Given, it is the budget; otherwise the machine's, which an address-space limit lowers.
    set_memory_budget(console_like().read({"--max-memory=5M"}));
    EXPECT_EQ(memory_budget::limit(), size_t(5) << 20);
    set_memory_budget(console_like().read({}));
    EXPECT_GT(memory_budget::limit(), size_t(5) << 20);
    memory_budget::set_limit(SIZE_MAX);
}
