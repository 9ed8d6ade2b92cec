// The Linux services on a real file system and real processes, each test in a folder of its own.
#include "interp/utf8.h"
#include "platform/file_copy.h"
#include "platform/process_launch.h"
#include "platform/trust_store.h"
#include "support.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

using namespace tovl;
namespace fs = std::filesystem;

namespace {

text name(const std::string& path) {
    return from_utf8(path);
}

// Runs `body` in a child process; the wait status: 0 when it returned true.
template <typename Body> int in_child(Body body) {
    pid_t child = ::fork();
    if (child == 0) ::_exit(body() ? 0 : 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

// Waits up to five seconds for a launched program's output file to be written.
std::string wait_for_file(const std::string& path) {
    for (int i = 0; i < 500 && read_bytes(path).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return read_bytes(path);
}

} // namespace

namespace {

// The lines of a file as linux_files reads them, each followed by "|".
text read_lines(linux_files& files, const std::string& path) {
    files.open(7, name(path), file_mode::input);
    compact_text lines;
    while (!files.at_end(7)) {
        files.append_line(7, lines);
        lines.append(u"|");
    }
    files.close(7);
    return widened(lines.chars());
}

} // namespace

TEST(linux_files, lines_span_buffer_blocks_and_bytes_keep_their_code_page_values) {
    temp_folder folder;
    // The CR is the last byte of the first 64 KiB block, its LF the first of the next.
    std::string first(65535, 'x');
    write_bytes(folder / "in", first + "\r\n" + std::string(150000, 'y') + "\ra\nb\x80");
    linux_files files(text_encoding::windows_1252);
    EXPECT_EQ(read_lines(files, folder / "in"),
              name(first) + u"|" + text(150000, u'y') + u"|a\nb\u20AC|");
    files.open(1, name(folder / "out"), file_mode::output);
    files.write(1, u"\u20AC\u00E9\u4E2D\xDCFF\r\n");
    files.close(1);
    EXPECT_EQ(read_bytes(folder / "out"), "\x80\xE9?\xFF\r\n");
}

TEST(linux_files, utf8_characters_cut_by_a_block_end_decode_whole_and_bad_bytes_round_trip) {
    temp_folder folder;
    // The euro sign's first byte ends the first 64 KiB block, the file ends in the first bytes
    // of a character, and a name holds a byte that is not UTF-8.
    std::string path = folder / "in\xE9";
    write_bytes(path, std::string(65535, 'x') + "\xE2\x82\xAC\xFF\xC3\r\n\xF0\x9F\x98\x80\xE2\x82");
    linux_files files(text_encoding::utf8);
    EXPECT_EQ(read_lines(files, path),
              text(65535, u'x') + u"\u20AC\xDCFF\xDCC3|\U0001F600\xDCE2\xDC82|");
    // 21,844 euro signs fill the buffer but for 4 bytes: the pair after them is not cut,
    // whatever follows it.
    for (text_view after : {u"\xDCE9", u"b"}) {
        text written = text(21844, u'\u20AC') + u"\U0001F600" + text(after);
        files.open(1, name(folder / "out\xE9"), file_mode::output);
        files.write(1, written);
        files.close(1);
        EXPECT_EQ(read_bytes(folder / "out\xE9"), to_utf8(written));
    }
}

// Texts kept one byte a character are written in pieces: ASCII as it is, others encoded.
TEST(linux_files, narrow_texts_write_what_their_wide_form_writes) {
    temp_folder folder;
    text chars = text(40000, u'a') + u"\u00E9\u0081" + text(30000, u'b');
    narrow_text narrow(chars.begin(), chars.end());
    for (text_encoding encoding : {text_encoding::utf8, text_encoding::windows_1252}) {
        linux_files files(encoding);
        files.open(1, name(folder / "out"), file_mode::output);
        files.write(1, narrow);
        files.close(1);
        EXPECT_EQ(read_bytes(folder / "out"), encode_text(encoding, chars));
        EXPECT_EQ(files.encoded_size(narrow), files.encoded_size(chars));
        EXPECT_EQ(encode_text(encoding, narrow), encode_text(encoding, chars));
    }
}

TEST(linux_files, failures_are_file_errors_and_nothing_blocks_or_reads_for_ever) {
    temp_folder folder;
    linux_files files(text_encoding::utf8);
    auto open_error = [&](const std::string& path, file_mode mode) {
        return error_of([&] { files.open(2, name(path), mode); });
    };
    EXPECT_EQ(open_error("/dev/zero", file_mode::input), error_kind::path_file_access);
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(open_error(folder / "pipe", file_mode::input), error_kind::path_file_access);
    EXPECT_EQ(open_error(folder / "pipe", file_mode::output), error_kind::device_io);
    files.open(2, name("/dev/full"), file_mode::output);
    files.write(2, u"x");
    EXPECT_EQ(error_of([&] { files.close(2); }), error_kind::disk_full);
    // A copy from the pipe fails at once; one that waits for a writer is stopped by the alarm.
    EXPECT_EQ(in_child([&] {
                  ::alarm(1);
                  return copy_file(folder / "pipe", folder / "x").task == os_task::read_file;
              }),
              0);
}

TEST(linux_files, deletion_removes_links_not_their_targets_and_a_new_copy_gets_the_umask) {
    temp_folder folder;
    write_bytes(folder / "src", "content");
    ::chmod((folder / "src").c_str(), 0666);
    fs::create_symlink(folder / "src", folder / "link");
    linux_files files(text_encoding::utf8);
    files.delete_matching(name(folder / "l*"));
    EXPECT_FALSE(fs::is_symlink(folder / "link"));
    mode_t umask = ::umask(027);
    EXPECT_FALSE(copy_file(folder / "src", folder / "dst"));
    ::umask(umask);
    EXPECT_EQ(read_bytes(folder / "dst"), "content");
    EXPECT_EQ(fs::status(folder / "dst").permissions(), fs::perms(0640));
    fs::create_symlink(folder / "dst", folder / "to_dst");
    write_bytes(folder / "src", "new");
    EXPECT_FALSE(copy_file(folder / "src", folder / "to_dst")); // where the link leads
    EXPECT_EQ(read_bytes(folder / "dst"), "new");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(copy_file(folder / "src", folder / "pipe").task, os_task::write_file); // kept
    EXPECT_EQ(copy_file(folder.path, folder / "x").number, EISDIR);
    EXPECT_EQ(copy_file(folder / "missing", folder / "x").task, os_task::read_file);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), {}), 4); // no leftovers
}

namespace {

size_t file_count(const std::string& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// A file's owner, group and mode.
std::tuple<uid_t, gid_t, mode_t> owner_and_mode(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return {info.st_uid, info.st_gid, info.st_mode};
}

// Runs a script in a child process, either killed (SIGKILL) as soon as it has written 64 KiB
// to a file in `folder`, or with any write past 64 KiB failing as on a full disk; false when it
// was to be killed and ended first.
bool interrupted(const std::string& script, const std::string& folder, bool kill) {
    pid_t child = ::fork();
    if (child == 0) {
        rlimit limit{65536, 65536};
        ::signal(SIGXFSZ, SIG_IGN);
        if (!kill) ::setrlimit(RLIMIT_FSIZE, &limit);
        // Where it may (as root), a failing one runs without /proc, so with a named temporary
        // file.
        if (!kill && ::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0) {
            ::umount2("/proc", MNT_DETACH);
        }
        script_run().run(name(script));
        ::_exit(0);
    }
    int status = 0;
    std::error_code error;
    while (kill && ::waitpid(child, &status, WNOHANG) == 0) {
        for (const auto& fd :
             fs::directory_iterator("/proc/" + std::to_string(child) + "/fd", error)) {
            if (fs::read_symlink(fd, error).string().starts_with(folder + "/") &&
                fs::file_size(fd, error) > 65536 && !error) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                return WIFSIGNALED(status);
            }
        }
    }
    return !kill && ::waitpid(child, &status, 0) == child && status == 0;
}

} // namespace

TEST(file_replacement, a_save_or_a_copy_that_fails_or_is_killed_leaves_the_old_file_alone) {
    temp_folder folder;
    std::string to = folder / "to";
    fs::create_directory(to);
    write_bytes(folder / "big", std::string(size_t(48) << 20, 'x'));
    std::string script = "fnumv3\r\nfsetv1" + folder / "big" + "\r\nfsetv2" + to + "/dst\r\n";
    for (std::string command : {"sload31\r\nssave32\r\n", "scopy12\r\n"}) {
        for (bool kill : {true, false}) {
            write_bytes(to + "/dst", "IMPORTANT OLD DATA");
            EXPECT_TRUE(interrupted(script + command, to, kill)) << command;
            EXPECT_EQ(read_bytes(to + "/dst").substr(0, 100), "IMPORTANT OLD DATA") << command;
            EXPECT_EQ(file_count(to), 1) << command;
        }
    }
}

// As root, the folder and files but "roots" are given to the user nobody, who writes them in
// a child process: a real refusal, and owners to keep.
TEST(file_replacement, a_replaced_file_keeps_owner_mode_and_links_and_one_not_writable_is_refused) {
    temp_folder folder;
    bool root = ::geteuid() == 0;
    write_bytes(folder / "src", "new");
    if (root) {
        ASSERT_EQ(::chown(folder.path.c_str(), 65534, 65534), 0);
    }
    fs::create_directory(folder / "closed"); // as root, a folder nobody may not write
    for (auto [file, mode] :
         {std::pair{"readonly", 0444}, {"private", 0600}, {"roots", 0666}, {"closed/mine", 0644}}) {
        write_bytes(folder / file, "old data");
        ::chmod((folder / file).c_str(), mode);
        if (root && mode != 0666) {
            ASSERT_EQ(::chown((folder / file).c_str(), 65534, 65534), 0);
        }
    }
    auto private_before = owner_and_mode(folder / "private");
    auto roots_before = owner_and_mode(folder / "roots");
    EXPECT_EQ(in_child([&] {
                  if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return false;
                  os_error refused = copy_file(folder / "src", folder / "readonly");
                  linux_files files(text_encoding::utf8);
                  auto save = [&] { files.open(1, name(folder / "readonly"), file_mode::output); };
                  // Another user's file, and one in a folder closed to new files, are rewritten
                  // in place.
                  return refused.number == EACCES &&
                         error_of(save) == error_kind::permission_denied &&
                         !copy_file(folder / "src", folder / "roots") &&
                         !copy_file(folder / "src", folder / "closed/mine");
              }),
              0);
    EXPECT_EQ(read_bytes(folder / "readonly"), "old data");
    EXPECT_EQ(read_bytes(folder / "roots") + read_bytes(folder / "closed/mine"), "newnew");
    EXPECT_EQ(owner_and_mode(folder / "roots"), roots_before);
    // Saved through a link to it, then copied over: the link's target is replaced, and
    // another hard link keeps the old content.
    fs::create_symlink("private", folder / "link");
    fs::create_hard_link(folder / "private", folder / "other");
    linux_files files(text_encoding::utf8);
    files.open(1, name(folder / "link"), file_mode::output);
    files.close(1);
    EXPECT_FALSE(copy_file(folder / "src", folder / "link"));
    EXPECT_EQ(owner_and_mode(folder / "private"), private_before);
    EXPECT_EQ(read_bytes(folder / "private"), "new");
    EXPECT_TRUE(fs::is_symlink(folder / "link"));
    EXPECT_EQ(read_bytes(folder / "other"), "old data");
}

namespace {

// A setting under /proc/sys, changed for the life of this object and then restored.
struct kernel_setting {
    std::string path, old;
    explicit kernel_setting(std::string setting)
        : path(std::move(setting)), old(read_bytes(path)) {}
    ~kernel_setting() { change(old); }
    kernel_setting(const kernel_setting&) = delete;
    kernel_setting& operator=(const kernel_setting&) = delete;
    bool change(const std::string& value) const {
        std::ofstream(path) << value;
        return read_bytes(path).starts_with(value);
    }
};

} // namespace

// Root follows a link only where the kernel lets it: one that nobody made in a sticky folder
// that anyone may write is refused while fs.protected_symlinks is on, as it is to the shell's
// "echo >", both to a file only root may read and to nothing (which must not create the file).
// With the protection off, the link's target is replaced and the link stays.
TEST(file_replacement, the_kernel_judges_the_path_and_another_users_link_may_be_refused) {
    if (::geteuid() != 0) GTEST_SKIP() << "another user's link needs root";
    temp_folder folder;
    ::chmod(folder.path.c_str(), 01777);
    write_bytes(folder / "secret", "root's");
    ::chmod((folder / "secret").c_str(), 0600);
    write_bytes(folder / "src", "new");
    fs::create_symlink(folder / "secret", folder / "link");
    fs::create_symlink(folder / "made", folder / "dangling");
    for (const char* link : {"link", "dangling"})
        ASSERT_EQ(::lchown((folder / link).c_str(), 65534, 65534), 0);
    kernel_setting protection("/proc/sys/fs/protected_symlinks");
    if (!protection.change("1")) GTEST_SKIP() << "fs.protected_symlinks cannot be set";
    linux_files files(text_encoding::utf8);
    for (const char* link : {"link", "dangling"}) {
        EXPECT_EQ(error_of([&] { files.open(1, name(folder / link), file_mode::output); }),
                  error_kind::permission_denied)
            << link;
        EXPECT_EQ(copy_file(folder / "src", folder / link).number, EACCES) << link;
    }
    EXPECT_EQ(read_bytes(folder / "secret"), "root's");
    EXPECT_FALSE(fs::exists(folder / "made"));
    ASSERT_TRUE(protection.change("0"));
    EXPECT_FALSE(copy_file(folder / "src", folder / "link"));
    EXPECT_EQ(read_bytes(folder / "secret"), "new");
    EXPECT_TRUE(fs::is_symlink(folder / "link"));
}

// The user an access control list names keeps access, the owning group gains nothing, and the
// set-group-ID bit and an extended attribute stay, after a save and after a copy.
TEST(file_replacement, a_replaced_file_keeps_its_access_control_list_and_attributes) {
    temp_folder folder;
    std::string file = folder / "file";
    write_bytes(file, "old");
    ::chmod(file.c_str(), 02640);
    write_bytes(folder / "src", "copied");
    if (std::system(("setfacl -m u:nobody:rw " + file + " && setfattr -n user.note -v kept " + file)
                        .c_str()) != 0) {
        GTEST_SKIP() << "setfacl or setfattr is missing, or /tmp keeps no lists or attributes";
    }
    auto shown = [&] {
        (void)!std::system(
            ("(getfacl -p " + file + " && getfattr -d " + file + ") >" + folder / "shown").c_str());
        return read_bytes(folder / "shown");
    };
    std::string before = shown();
    linux_files files(text_encoding::utf8);
    files.open(1, name(file), file_mode::output);
    files.write(1, u"saved");
    files.close(1);
    EXPECT_EQ(shown(), before);
    EXPECT_FALSE(copy_file(folder / "src", file));
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(read_bytes(file), "copied");
}

// In a small file system of its own, filled up: a file that the user nobody may write, in a
// folder where nobody may not create files, is rewritten in place; its save and its copy fail
// with disk full and leave its old content, as the room is reserved before the file is cut.
TEST(file_replacement, a_file_rewritten_in_place_keeps_its_old_content_on_a_full_disk) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a file system needs root";
    temp_folder folder;
    std::string disk = folder / "disk", file = folder / "disk/closed/file";
    ::chmod(folder.path.c_str(), 0755);
    fs::create_directory(disk);
    write_bytes(folder / "src", std::string(20000, 'c'));
    std::string script =
        "fnumv2\r\nfsetv1" + file + "\r\nfsetv2" + std::string(20000, 's') + "\r\nssave21\r\n";
    EXPECT_EQ(in_child([&] {
                  if (::unshare(CLONE_NEWNS) != 0 ||
                      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                      ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
                      return false;
                  }
                  fs::create_directory(disk + "/closed");
                  write_bytes(file, "old content");
                  if (::chown(file.c_str(), 65534, 65534) != 0) return false;
                  std::ofstream fill(disk + "/fill", std::ios::binary);
                  for (int i = 0; i < 100 && fill; ++i)
                      fill << std::string(4096, 'f') << std::flush;
                  if (::setgid(65534) != 0 || ::setuid(65534) != 0) return false;
                  script_run().run(name(script));
                  return read_bytes(file) == "old content" &&
                         copy_file(folder / "src", file).number == ENOSPC &&
                         read_bytes(file) == "old content";
              }),
              0);
}

TEST(process_launch, words_are_split_without_a_shell_and_reported_as_a_shell_reads_them) {
    using words = std::vector<std::string>;
    EXPECT_EQ(split_command_line("  touch \"a b\"  c$HOME;x "),
              (words{"touch", "a b", "c$HOME;x"}));
    EXPECT_EQ(split_command_line("x\"y z\"w \"\""), (words{"xy zw", ""}));
    EXPECT_EQ(shutdown_words(61), (words{"shutdown", "-P", "+2"}));
    EXPECT_EQ(shutdown_words(60), (words{"shutdown", "-P", "+1"}));
    EXPECT_EQ(shutdown_words(0), (words{"shutdown", "-P", "now"}));
    EXPECT_EQ(shutdown_words(-32768), (words{"shutdown", "-P", "now"}));
    EXPECT_EQ(shell_words({"touch", "a b", "", "it's", "$HOME;*", "\xC3\xA9t\xE9", "-P", "+1"}),
              "touch 'a b' '' 'it'\\''s' '$HOME;*' \xC3\xA9t\xE9 -P +1");
}

namespace {

// The kind and cause of the run-time error a request raises; nothing when it raises none.
template <typename Request> std::optional<std::pair<error_kind, text>> raised(Request request) {
    try {
        request();
    } catch (const run_error& error) {
        return std::pair(error.kind(), error.cause());
    }
    return std::nullopt;
}

// "true" and then words of `total` bytes in all, each short enough for the kernel.
std::vector<std::string> true_with_bytes(size_t total) {
    std::vector<std::string> words{"true"};
    for (; total > 0; total -= words.back().size())
        words.emplace_back(std::min<size_t>(total, 100000), 'x');
    return words;
}

} // namespace

TEST(linux_system, a_rehearsal_fails_wherever_and_as_the_real_run_fails_before_the_start) {
    std::string long_word(200000, 'x');
    std::string many_words;
    for (int i = 0; i < 30; ++i)
        many_words += " " + std::string(100000, 'x');
    linux_system real(text_encoding::utf8);
    dry_run_system rehearsal(text_encoding::utf8, [](const text&) {});
    for (const std::string& line :
         std::vector<std::string>{"no-such-program-tovl x", "/etc/passwd", "/no/such/file",
                                  "\"\" x", "", "true " + long_word, "true" + many_words, "/tmp"}) {
        auto failure = raised([&] { real.launch(name(line), window_style::normal); });
        ASSERT_TRUE(failure) << line.substr(0, 40);
        EXPECT_EQ(raised([&] { rehearsal.launch(name(line), window_style::normal); }), failure)
            << line.substr(0, 40);
    }
    // Found in the middle of the search, and reported with the words the program gets.
    text report;
    dry_run_system reporting(text_encoding::utf8, [&](const text& line) { report += line; });
    std::string path = std::getenv("PATH");
    ::setenv("PATH", "/no/such:/usr/bin:/no/such/either", 1);
    reporting.launch(u"true \"a b\" $HOME", window_style::minimized);
    ::setenv("PATH", "/no/such", 1);
    auto unknown = raised([&] { reporting.launch(u"true", window_style::normal); });
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(report, u"dry run: true 'a b' '$HOME'");
    EXPECT_EQ(unknown, std::pair(error_kind::file_not_found,
                                 text(u"program \"true\" was not found in any folder of PATH")));
    EXPECT_EQ(raised([&] { reporting.launch(u"/tmp", window_style::normal); }),
              std::pair(error_kind::file_not_found, text(u"program \"/tmp\" is a folder")));
}

// The kernel itself, asked through a start without the checks, draws the line where the checks
// do: at the longest word and at the most bytes in all.
TEST(process_launch, the_checks_refuse_exactly_what_the_kernel_refuses) {
    EXPECT_EQ(in_child([] {
                  // The usual stack limit of 8 MiB makes a room of 2 MiB.
                  rlimit stack{};
                  ::getrlimit(RLIMIT_STACK, &stack);
                  stack.rlim_cur = std::min<rlim_t>(stack.rlim_max, rlim_t(8) << 20);
                  if (::setrlimit(RLIMIT_STACK, &stack) != 0) return false;
                  bool agreed = true;
                  auto refused = [&](std::vector<std::string> words) {
                      prepared_command command;
                      os_error checked = prepare_command(words, program_search_path(), command);
                      agreed = agreed && !command.program.empty() &&
                               start_detached(command).number == checked.number;
                      return checked.number == E2BIG;
                  };
                  size_t longest = 32 * static_cast<size_t>(::sysconf(_SC_PAGESIZE)) - 1;
                  // The most bytes the words may take: the largest total the checks let pass.
                  size_t low = 0, high = size_t(8) << 20;
                  while (low + 1 < high) {
                      size_t middle = (low + high) / 2;
                      (refused(true_with_bytes(middle)) ? high : low) = middle;
                  }
                  return !refused({"true", std::string(longest, 'x')}) &&
                         refused({"true", std::string(longest + 1, 'x')}) && low > (1 << 20) &&
                         !refused(true_with_bytes(low)) && refused(true_with_bytes(low + 1)) &&
                         agreed;
              }),
              0);
}

TEST(process_launch, the_program_gets_null_input_none_of_our_descriptors_and_no_zombie) {
    temp_folder folder;
    ASSERT_GE(::dup2(STDERR_FILENO, 100), 0); // deliberately without close-on-exec
    // The launch does not wait for the program: this one goes on only after the launch is over.
    std::string out = folder / "out", go = " [ -e '" + out + ".go' ] ";
    linux_system(text_encoding::utf8)
        .launch(name("sh -c \"ls /proc/self/fd > '" + out + ".fds'; i=0; until" + go +
                     "|| [ $i = 500 ]; do sleep 0.01; i=$((i+1)); done;" + go +
                     "&& readlink /proc/self/fd/0 > '" + out + "'\""),
                window_style::normal);
    ::close(100);
    write_bytes(out + ".go", "");
    EXPECT_EQ(wait_for_file(out), "/dev/null\n");
    EXPECT_EQ(read_bytes(out + ".fds").find("100"), std::string::npos);
    pid_t test_process = ::getpid();
    prepared_command command;
    ASSERT_FALSE(prepare_command({"true"}, program_search_path(), command));
    for (int i = 0; i < 50; ++i)
        EXPECT_FALSE(start_detached(command));
    ASSERT_EQ(::getpid(), test_process); // only the children went on to the program
    // Our only children are the short-lived middle processes of each launch: all reaped.
    int children = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream status(entry.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("PPid:", 0) == 0 && std::stol(line.substr(5)) == ::getpid()) ++children;
    }
    EXPECT_EQ(children, 0);
}

// Trust is kept by content (SHA-256: the empty text, and two lengths that pad into one and two
// blocks) and by folder, a trusted folder covering its subfolders but not a namesake beside it.
TEST(trust_store, versions_by_sha256_and_folders_with_their_subfolders) {
    EXPECT_EQ(sha256_hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256_hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    temp_folder top;
    std::filesystem::create_directories(top / "work/deep");
    std::filesystem::create_directories(top / "workshop");
    for (const char* name : {"work/a.tovl", "work/deep/b.tovl", "workshop/c.tovl"})
        write_bytes(top / name, "frexe1\n");
    trust_store store(top / "store");
    EXPECT_FALSE(store.trusts("frexe1\n", top / "work/a.tovl"));
    EXPECT_EQ(store.trust_version("frexe1\n", top / "work/a.tovl"), std::nullopt);
    EXPECT_TRUE(store.trusts("frexe1\n", top / "workshop/c.tovl"));
    EXPECT_FALSE(store.trusts("frexe2\n", top / "work/a.tovl"));
    EXPECT_EQ(store.trust_folder(top / "work/a.tovl"), std::nullopt);
    EXPECT_TRUE(store.trusts("frexe2\n", top / "work/deep/b.tovl"));
    EXPECT_FALSE(store.trusts("frexe2\n", top / "workshop/c.tovl"));
    EXPECT_EQ(download_origin(top / "work/a.tovl"), std::nullopt);
}
