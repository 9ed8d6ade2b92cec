// Detached process launch with a double fork and an exec-status pipe.
#include "platform/launch.h"

#include "interp/runerror.h"

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

// What the exec-status pipe reports: an exec errno, or forkfailed from the middle child.
constexpr int forkfailed = -1;

errorkind launcherrorkind(int err) {
    if (err == forkfailed) return errorkind::deviceio;
    return err == EACCES || err == EPERM ? errorkind::permissiondenied : errorkind::filenotfound;
}

bool isexecutablefile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// In the grandchild: every descriptor above the standard three is closed at exec.
void closeourdescriptorsonexec() {
    if (::syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC) == 0) return;
    long max = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (max > 0 && max < 65536 ? max : 65536); ++fd) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
}

} // namespace

std::vector<std::string> splitcommandline(const std::string& commandline) {
    std::vector<std::string> words;
    std::string word;
    bool inword = false;
    bool quoted = false;
    for (char c : commandline) {
        if (c == '"') {
            quoted = !quoted;
            inword = true;
        } else if (c == ' ' && !quoted) {
            if (inword) words.push_back(word);
            word.clear();
            inword = false;
        } else {
            word.push_back(c);
            inword = true;
        }
    }
    if (inword) words.push_back(word);
    return words;
}

std::vector<std::string> translateshutdown(const std::vector<std::string>& words) {
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

std::string findprogram(const std::string& program) {
    if (program.empty()) throw runerror(errorkind::filenotfound);
    if (program.find('/') != std::string::npos) {
        if (isexecutablefile(program)) return program;
        throw runerror(exists(program) ? errorkind::permissiondenied : errorkind::filenotfound);
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    bool sawunexecutable = false;
    size_t start = 0;
    for (;;) {
        size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? colon : colon - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (isexecutablefile(candidate)) return candidate;
        if (exists(candidate)) sawunexecutable = true;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    throw runerror(sawunexecutable ? errorkind::permissiondenied : errorkind::filenotfound);
}

void launchdetached(const std::vector<std::string>& words) {
    if (words.empty()) throw runerror(errorkind::filenotfound);
    std::string program = findprogram(words[0]);
    // Everything the children use is prepared before forking: after fork only async-signal-
    // safe calls are made.
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);

    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0) throw runerror(errorkind::deviceio);
    pid_t middle = ::fork();
    if (middle < 0) {
        ::close(status[0]);
        ::close(status[1]);
        throw runerror(errorkind::deviceio);
    }
    if (middle == 0) {
        // The middle child starts the program and leaves at once, so the program is adopted
        // by init and never becomes our zombie.
        ::close(status[0]);
        pid_t started = ::fork();
        if (started < 0) {
            int err = forkfailed;
            (void)!::write(status[1], &err, sizeof err);
        }
        if (started == 0) {
            ::setsid();
            int devnull = ::open("/dev/null", O_RDONLY);
            if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
            closeourdescriptorsonexec();
            ::execv(program.c_str(), argv.data());
            int err = errno;
            (void)!::write(status[1], &err, sizeof err);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(status[1]);
    int waitstatus = 0;
    while (::waitpid(middle, &waitstatus, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    do {
        n = ::read(status[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    ::close(status[0]);
    if (n == static_cast<ssize_t>(sizeof err)) throw runerror(launcherrorkind(err));
}

} // namespace tovl
