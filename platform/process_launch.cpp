// Detached process launch with a double fork and an exec-status pipe.
#include "platform/process_launch.h"

#include "interp/utf8.h"

#include "interp/run_error.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tovl {

namespace {

// What the exec-status pipe reports: an exec errno, or fork_failed from the middle child.
constexpr int fork_failed = -1;

error_kind launcherror_kind(int err) {
    if (err == fork_failed) return error_kind::device_io;
    if (err == E2BIG) return error_kind::invalid_argument;
    return err == EACCES || err == EPERM ? error_kind::permission_denied
                                         : error_kind::file_not_found;
}

bool is_executable_file(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// In the grandchild: every descriptor above the standard three is closed at exec.
void close_inherited_descriptors_on_exec() {
    if (::syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC) == 0) return;
    long max = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (max > 0 && max < 65536 ? max : 65536); ++fd) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
}

} // namespace

std::vector<std::string> split_command_line(const std::string& command_line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    bool quoted = false;
    for (char c : command_line) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (c == ' ' && !quoted) {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word.push_back(c);
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

std::vector<std::string> translate_shutdown(const std::vector<std::string>& words) {
    if (words.size() != 5 || words[0] != "shutdown" || words[1] != "-s" || words[2] != "-f" ||
        words[3] != "-t") {
        return words;
    }
    const std::string& seconds = words[4];
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(seconds.c_str(), &end, 10);
    if (seconds.empty() || *end != '\0' || errno == ERANGE) return words;
    if (n <= 0) return {"shutdown", "-P", "now"};
    return {"shutdown", "-P", "+" + std::to_string((n + 59) / 60)};
}

std::string find_program(const std::string& program) {
    if (program.empty()) {
        throw run_error(error_kind::file_not_found).because(u"the command line names no program");
    }
    text quoted = u"program \"" + from_utf8(program) + u"\"";
    if (program.find('/') != std::string::npos) {
        if (is_executable_file(program)) return program;
        if (exists(program)) {
            throw run_error(error_kind::permission_denied).because(quoted + u" is not executable");
        }
        throw run_error(error_kind::file_not_found).because(quoted + u" does not exist");
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    bool saw_unexecutable = false;
    size_t start = 0;
    for (;;) {
        size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? colon : colon - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (is_executable_file(candidate)) return candidate;
        if (exists(candidate)) saw_unexecutable = true;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (saw_unexecutable) {
        throw run_error(error_kind::permission_denied)
            .because(quoted + u" is in a folder of PATH but is not executable");
    }
    throw run_error(error_kind::file_not_found)
        .because(quoted + u" was not found in any folder of PATH");
}

void launch_detached(const std::vector<std::string>& words) {
    if (words.empty()) find_program(std::string()); // raises: no program named
    std::string program = find_program(words[0]);
    // Everything the children use is prepared before forking: after fork only async-signal-
    // safe calls are made.
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);

    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0) throw run_error(error_kind::device_io);
    pid_t middle = ::fork();
    if (middle < 0) {
        ::close(status[0]);
        ::close(status[1]);
        throw run_error(error_kind::device_io);
    }
    if (middle == 0) {
        // The middle child starts the program and leaves at once, so the program is adopted
        // by init and never becomes our zombie.
        ::close(status[0]);
        pid_t started = ::fork();
        if (started < 0) {
            int err = fork_failed;
            (void)!::write(status[1], &err, sizeof err);
        }
        if (started == 0) {
            ::setsid();
            int devnull = ::open("/dev/null", O_RDONLY);
            if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
            close_inherited_descriptors_on_exec();
            ::execv(program.c_str(), argv.data());
            int err = errno;
            (void)!::write(status[1], &err, sizeof err);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(status[1]);
    int wait_status = 0;
    while (::waitpid(middle, &wait_status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    do {
        n = ::read(status[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    ::close(status[0]);
    if (n == static_cast<ssize_t>(sizeof err)) {
        text cause = u"program \"" + from_utf8(program) + u"\" could not be started";
        if (err == E2BIG) {
            cause += u": its command line is too long for the system (at most 131071 bytes a word "
                     u"and about 2 MB in all)";
        }
        throw run_error(launcherror_kind(err)).because(std::move(cause));
    }
}

} // namespace tovl
