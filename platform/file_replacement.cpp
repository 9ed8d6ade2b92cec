// A file's new content in a temporary file beside it, renamed over the file once complete.
#include "platform/file_replacement.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tovl {

namespace {

constexpr int max_links = 40;      // symbolic links followed, as the kernel follows them
constexpr int name_attempts = 100; // hidden names tried before giving up

// Every failure here concerns the file being written.
os_error write_error(int err) {
    return {err, os_task::write_file};
}

// The folder part of a path with its final slash, empty for a name in the current folder.
std::string folder_of(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows symbolic links from `path` to the file they lead to, each link's text read from its
// own folder; a link to nothing leads to the name it holds.
os_error resolve_links(std::string& path) {
    for (int i = 0; i < max_links; ++i) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return {};
        char target[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n < 0) return write_error(errno);
        if (static_cast<size_t>(n) == sizeof target) return write_error(ENAMETOOLONG);
        std::string next(target, static_cast<size_t>(n));
        if (!next.starts_with('/')) next.insert(0, folder_of(path));
        path = std::move(next);
    }
    return write_error(ELOOP);
}

// A hidden name in `folder` for a temporary file: ".tovl-" and ten random letters and digits.
// Whoever creates it checks that no file has it.
std::string hidden_name(const std::string& folder) {
    static unsigned long long counter = 0;
    auto bits = static_cast<unsigned long long>(
                    std::chrono::steady_clock::now().time_since_epoch().count()) ^
                ++counter;
    unsigned long long random = 0;
    if (::getrandom(&random, sizeof random, GRND_NONBLOCK) == sizeof random) bits ^= random;
    std::string name = folder + ".tovl-";
    for (int i = 0; i < 10; ++i, bits /= 36)
        name += "0123456789abcdefghijklmnopqrstuvwxyz"[bits % 36];
    return name;
}

// An unnamed file is linked in through its name under /proc, which needs no privilege.
std::string proc_name(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

bool proc_mounted() {
    return ::access("/proc/self/fd", F_OK) == 0;
}

bool close_failed(int fd) {
    return ::close(fd) != 0 && errno != EINTR;
}

} // namespace

file_replacement::~file_replacement() {
    discard();
}

void file_replacement::discard() {
    // An unnamed file vanishes with its last descriptor.
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

os_error file_replacement::fail(int err) {
    discard();
    return write_error(err);
}

os_error file_replacement::start(const std::string& name, mode_t new_mode, bool devices) {
    path_ = name;
    if (path_.empty()) return write_error(ENOENT);
    if (os_error error = resolve_links(path_)) return error;
    struct stat info {};
    if (!devices && ::stat(path_.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return write_error(S_ISDIR(info.st_mode) ? EISDIR : ESPIPE);
    }
    // Opening the file to write asks the system whether this process may write it; it is not
    // emptied. Not blocking, so that a named pipe that nobody reads fails at once.
    int current = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (current < 0 && errno != ENOENT) return write_error(errno);
    if (current >= 0) {
        int err = ::fstat(current, &info) != 0 ? errno : 0;
        if (err == 0 && devices && S_ISCHR(info.st_mode)) {
            // A device is written directly, blocking again.
            if (::fcntl(current, F_SETFL, 0) == 0) {
                way_ = way::device;
                fd_ = current;
                return {};
            }
            err = errno;
        } else if (err == 0 && !S_ISREG(info.st_mode)) {
            err = ESPIPE;
        }
        if (err != 0) {
            ::close(current);
            return write_error(err);
        }
    }
    os_error error = start_beside(current, current >= 0 ? &info : nullptr, new_mode);
    if (current >= 0 && current != fd_) ::close(current);
    return error;
}

os_error file_replacement::start_beside(int current, const struct stat* old, mode_t new_mode) {
    std::string folder = folder_of(path_);
    bool unnamed = proc_mounted();
    if (unnamed) {
        way_ = way::unnamed;
        fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                     new_mode);
    }
    // No /proc, or a file system without unnamed files: a hidden one that a kill may leave.
    if (!unnamed || (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))) {
        way_ = way::named;
        for (int attempt = 0; attempt < name_attempts && fd_ < 0; ++attempt) {
            temporary_ = hidden_name(folder);
            fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, new_mode);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) temporary_.clear();
    }
    if (fd_ < 0) {
        int err = errno;
        bool folder_closed = err == EACCES || err == EPERM || err == EROFS;
        return old && folder_closed ? write_in_place(current) : write_error(err);
    }
    if (!old) return {};
    // The owner first: giving a file to another owner clears its set-user-ID bit.
    if (::fchown(fd_, old->st_uid, old->st_gid) != 0 || ::fchmod(fd_, old->st_mode & 07777) != 0) {
        discard();
        return write_in_place(current);
    }
    return {};
}

os_error file_replacement::write_in_place(int current) {
    if (::ftruncate(current, 0) != 0 || ::fcntl(current, F_SETFL, 0) != 0) {
        return write_error(errno);
    }
    way_ = way::in_place;
    fd_ = current;
    return {};
}

os_error file_replacement::finish() {
    if (fd_ < 0) return write_error(EBADF);
    // A late write error, which a network file system reports at the close, fails the
    // replacement before the file takes its place. The unnamed file's descriptor is still
    // needed to link it in: closing a copy of it runs the same check.
    int fd = way_ == way::unnamed ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : std::exchange(fd_, -1);
    if (fd < 0 || close_failed(fd)) return fail(errno);
    if (way_ == way::device || way_ == way::in_place) return {};
    if (way_ == way::unnamed) {
        // A new file takes its name at once. A file cannot be linked over another, so one
        // that replaces a file is linked under a hidden name first and renamed over it.
        if (::linkat(AT_FDCWD, proc_name(fd_).c_str(), AT_FDCWD, path_.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            discard();
            return {};
        }
        int err = errno;
        for (int attempt = 0; err == EEXIST && attempt < name_attempts; ++attempt) {
            std::string hidden = hidden_name(folder_of(path_));
            if (::linkat(AT_FDCWD, proc_name(fd_).c_str(), AT_FDCWD, hidden.c_str(),
                         AT_SYMLINK_FOLLOW) == 0) {
                temporary_ = hidden;
                break;
            }
            err = errno;
        }
        if (temporary_.empty()) return fail(err);
    }
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) return fail(errno);
    temporary_.clear();
    discard();
    return {};
}

} // namespace tovl
