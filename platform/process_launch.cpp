// Detached process launch with a double fork and an exec-status pipe, after the checks a
// rehearsal shares.
#include "platform/process_launch.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <linux/close_range.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tovl {

namespace {

os_error program_error(int err) {
    return {err, os_task::start_program};
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

// The path to execute for a program word, searched as execvp searches PATH when the word holds
// no slash.
os_error find_program(const std::string& word, const std::string& search_path, std::string& path) {
    if (word.empty()) return program_error(ENOENT);
    if (word.find('/') != std::string::npos) {
        if (is_executable_file(word)) {
            path = word;
            return {};
        }
        struct stat info {};
        bool folder = ::stat(word.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        return program_error(folder ? EISDIR : exists(word) ? EACCES : ENOENT);
    }
    bool saw_unexecutable = false;
    size_t start = 0;
    for (;;) {
        size_t colon = search_path.find(':', start);
        std::string folder =
            search_path.substr(start, colon == std::string::npos ? colon : colon - start);
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + word;
        if (is_executable_file(candidate)) {
            path = std::move(candidate);
            return {};
        }
        if (exists(candidate)) saw_unexecutable = true;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return program_error(saw_unexecutable ? EACCES : ENOENT);
}

// What the kernel lets execv pass: each string, its NUL included, at most 32 pages
// (MAX_ARG_STRLEN); and the program's path, the words and the environment, with a pointer for
// each word and variable, within a room of a quarter of the stack limit (sysconf(_SC_ARG_MAX),
// at least 128 KiB) but never more than 6 MiB, three quarters of the kernel's own stack limit.
os_error check_exec_limits(const prepared_command& command) {
    const size_t longest = 32 * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const long arg_max = ::sysconf(_SC_ARG_MAX);
    const size_t room =
        std::min(arg_max > 0 ? static_cast<size_t>(arg_max) : size_t(131072), size_t(6) << 20);
    size_t used = command.program.size() + 1;
    size_t pointers = 0;
    bool too_long = used > longest;
    auto count = [&](size_t length) {
        too_long = too_long || length + 1 > longest;
        used += length + 1;
        ++pointers;
    };
    for (const std::string& word : command.words)
        count(word.size());
    for (char** variable = environ; variable && *variable; ++variable)
        count(std::char_traits<char>::length(*variable));
    if (command.words.empty()) ++pointers; // the kernel counts one argument at least
    if (too_long || used + pointers * sizeof(char*) > room) return program_error(E2BIG);
    return {};
}

// In the grandchild: every descriptor above the standard three is closed at exec.
void close_inherited_descriptors_on_exec() {
    if (::syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC) == 0) return;
    long max = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (max > 0 && max < 65536 ? max : 65536); ++fd) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
}

// A byte a shell reads as itself outside quotes.
bool plain_in_shell(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c >= '0' && c <= '9') || std::string_view("@%+=:,./_-").find(c) != std::string::npos;
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

std::vector<std::string> shutdown_words(int seconds) {
    if (seconds <= 0) return {"shutdown", "-P", "now"};
    return {"shutdown", "-P", "+" + std::to_string((seconds + 59) / 60)};
}

std::string program_search_path() {
    const char* path = std::getenv("PATH");
    return path ? path : "/usr/local/bin:/usr/bin:/bin";
}

os_error prepare_command(std::vector<std::string> words, const std::string& search_path,
                         prepared_command& command) {
    command.words = std::move(words);
    command.program.clear();
    if (command.words.empty()) return program_error(ENOENT);
    std::string program;
    if (os_error error = find_program(command.words[0], search_path, program)) return error;
    command.program = std::move(program);
    return check_exec_limits(command);
}

os_error start_detached(const prepared_command& command) {
    // Everything the children use is prepared before forking: after fork only async-signal-
    // safe calls are made.
    std::vector<char*> argv;
    argv.reserve(command.words.size() + 1);
    for (const std::string& w : command.words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    const char* program = command.program.c_str();

    // The children report a failure through the pipe: the middle child's fork, or the execv.
    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0) return {errno, os_task::make_process};
    pid_t middle = ::fork();
    if (middle < 0) {
        os_error error{errno, os_task::make_process};
        ::close(status[0]);
        ::close(status[1]);
        return error;
    }
    if (middle == 0) {
        // The middle child starts the program and leaves at once, so the program is adopted
        // by init and never becomes our zombie.
        ::close(status[0]);
        pid_t started = ::fork();
        if (started < 0) {
            os_error error{errno, os_task::make_process};
            (void)!::write(status[1], &error, sizeof error);
        }
        if (started == 0) {
            ::setsid();
            int devnull = ::open("/dev/null", O_RDONLY);
            if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
            close_inherited_descriptors_on_exec();
            ::execv(program, argv.data());
            os_error error = program_error(errno);
            (void)!::write(status[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(status[1]);
    int wait_status = 0;
    while (::waitpid(middle, &wait_status, 0) < 0 && errno == EINTR) {
    }
    // Nothing comes through the pipe when the execv succeeds: it closes the pipe.
    os_error error;
    ssize_t n;
    do {
        n = ::read(status[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(status[0]);
    return n == static_cast<ssize_t>(sizeof error) ? error : os_error{};
}

std::string shell_words(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        if (!word.empty() && std::all_of(word.begin(), word.end(), plain_in_shell)) {
            line += word;
            continue;
        }
        line += '\'';
        for (char c : word) {
            if (c == '\'') {
                line += "'\\''"; // a quote ends the quoted part, is escaped, and starts another
            } else {
                line += c;
            }
        }
        line += '\'';
    }
    return line;
}

} // namespace tovl
