// A file's new content in a temporary file beside it, renamed over the file once complete.
#include "platform/file_replacement.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
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

constexpr int name_attempts = 100; // hidden names tried before giving up

// How any program opens a file to write it. Not blocking, so that a named pipe that nobody
// reads fails at once; it blocks again once it is known to be written.
constexpr int open_flags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// Every failure here concerns the file being written.
os_error write_error(int err) {
    return {err, os_task::write_file};
}

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The standard stream (0, 1 or 2) whose file `info` is, or -1; output and errors first, as
// those are written to.
int standard_stream_of(const struct stat& info) {
    for (int fd : {STDOUT_FILENO, STDERR_FILENO, STDIN_FILENO}) {
        struct stat stream {};
        if (::fstat(fd, &stream) == 0 && same_file(stream, info)) return fd;
    }
    return -1;
}

// A hidden name for a temporary file: ".tovl-" and ten random letters and digits. Whoever
// creates it checks that no file has it.
std::string hidden_name() {
    static unsigned long long counter = 0;
    auto bits = static_cast<unsigned long long>(
                    std::chrono::steady_clock::now().time_since_epoch().count()) ^
                ++counter;
    unsigned long long random = 0;
    if (::getrandom(&random, sizeof random, GRND_NONBLOCK) == sizeof random) bits ^= random;
    std::string name = ".tovl-";
    for (int i = 0; i < 10; ++i, bits /= 36)
        name += "0123456789abcdefghijklmnopqrstuvwxyz"[bits % 36];
    return name;
}

// An open file's name under /proc: the path of the file it leads to, and the way to link an
// unnamed file in, which needs no privilege.
std::string proc_name(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

bool proc_mounted() {
    return ::access("/proc/self/fd", F_OK) == 0;
}

bool close_failed(int fd) {
    return ::close(fd) != 0 && errno != EINTR;
}

// The folder refuses a new file to this process, or its file system any new file.
bool folder_closed(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

} // namespace

file_replacement::~file_replacement() {
    discard();
}

void file_replacement::drop_temporary() {
    // An unnamed file vanishes with its last descriptor.
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlinkat(folder_, temporary_.c_str(), 0);
    temporary_.clear();
}

void file_replacement::discard() {
    drop_temporary();
    // A file this replacement created goes again, if its name still holds it.
    struct stat named {};
    if (created_ && folder_ >= 0 &&
        ::fstatat(folder_, base_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        same_file(named, opened_)) {
        ::unlinkat(folder_, base_.c_str(), 0);
    }
    created_ = false;
    if (target_ >= 0) ::close(target_);
    target_ = -1;
    if (folder_ >= 0) ::close(folder_);
    folder_ = -1;
}

os_error file_replacement::fail(int err) {
    discard();
    return write_error(err);
}

os_error file_replacement::start(const std::string& name, mode_t new_mode, bool streams,
                                 int64_t expected_size) {
    if (name.empty()) return write_error(ENOENT);
    struct stat info {};
    // A stream that is refused is refused before it is opened: a pipe that nobody reads would
    // fail the open otherwise, as a device error.
    if (!streams && ::stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return write_error(S_ISDIR(info.st_mode) ? EISDIR : ESPIPE);
    }
    if (os_error error = open_target(name, new_mode)) return error;
    if (::fstat(target_, &opened_) != 0) return fail(errno);
    // A disk (a block device) is never written as a stream.
    bool plain = S_ISREG(opened_.st_mode);
    if (!plain && !S_ISCHR(opened_.st_mode) && !S_ISFIFO(opened_.st_mode)) return fail(ESPIPE);
    if (!plain || standard_stream_of(opened_) >= 0) return start_stream(streams);
    if (find_by_name(name)) {
        int err = open_temporary();
        if (err == 0 && copy_attributes()) return {};
        if (err != 0 && !folder_closed(err)) return fail(err);
        drop_temporary();
    }
    return write_in_place(expected_size);
}

os_error file_replacement::open_target(const std::string& name, mode_t new_mode) {
    target_ = ::open(name.c_str(), open_flags);
    if (target_ >= 0) return {};
    if (errno != ENOENT) return write_error(errno);
    // Nothing there yet. A name that is a link to nothing is followed, where the kernel lets
    // this process follow it, to create the file the link names.
    target_ = ::open(name.c_str(), open_flags | O_CREAT | O_EXCL, new_mode);
    if (target_ < 0 && errno == EEXIST)
        target_ = ::open(name.c_str(), open_flags | O_CREAT, new_mode);
    if (target_ < 0) return write_error(errno);
    created_ = true;
    return {};
}

os_error file_replacement::start_stream(bool streams) {
    if (!streams) return fail(ESPIPE);
    way_ = way::stream;
    int stream = standard_stream_of(opened_);
    int flags = stream >= 0 ? ::fcntl(stream, F_GETFL) : -1;
    if (flags >= 0 && (flags & O_ACCMODE) != O_RDONLY) {
        // The process's own output is written through its own descriptor, at its position or
        // appended as it was opened, so that nothing written to it before is overwritten.
        fd_ = ::fcntl(stream, F_DUPFD_CLOEXEC, 0);
        if (fd_ < 0) return fail(errno);
        ::close(std::exchange(target_, -1));
        return {};
    }
    // Blocking again; the file that standard input reads is appended to.
    int mode = stream >= 0 && S_ISREG(opened_.st_mode) ? O_APPEND : 0;
    if (::fcntl(target_, F_SETFL, mode) != 0) return fail(errno);
    fd_ = std::exchange(target_, -1);
    return {};
}

bool file_replacement::find_by_name(const std::string& name) {
    // The path /proc gives for the descriptor names the file the kernel opened; without /proc,
    // the name given names it when it is no link.
    std::string path = name;
    char real[PATH_MAX];
    ssize_t length = ::readlink(proc_name(target_).c_str(), real, sizeof real);
    if (length > 0 && static_cast<size_t>(length) < sizeof real && real[0] == '/') {
        path.assign(real, static_cast<size_t>(length));
    }
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : path.substr(0, slash);
    base_ = slash == std::string::npos ? path : path.substr(slash + 1);
    // Read, so that it can be flushed to the disk; a folder that may not be read is still
    // written in.
    folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0 && errno == EACCES) {
        folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    struct stat named {};
    return folder_ >= 0 && ::fstatat(folder_, base_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           same_file(named, opened_);
}

int file_replacement::open_temporary() {
    if (proc_mounted()) {
        way_ = way::unnamed;
        fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd_ >= 0) return 0;
        // A file system without unnamed files: a hidden one that a kill may leave.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
    }
    way_ = way::named;
    for (int attempt = 0; attempt < name_attempts; ++attempt) {
        std::string hidden = hidden_name();
        fd_ = ::openat(folder_, hidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            temporary_ = std::move(hidden);
            return 0;
        }
        if (errno != EEXIST) break;
    }
    return errno;
}

bool file_replacement::copy_attributes() {
    // The owner first: giving a file to another owner clears its set-user-ID bit. Then the
    // extended attributes (the access control list aside), while this process still owns the
    // file or may write it.
    if (::fchown(fd_, opened_.st_uid, opened_.st_gid) != 0 ||
        ::attr_copy_fd(base_.c_str(), target_, base_.c_str(), fd_, nullptr, nullptr) != 0) {
        return false;
    }
    // A file without a list of its own gets the one its mode makes; setting that removes the
    // one the temporary file may have taken from the folder.
    acl_t acl = ::acl_get_fd(target_);
    if (!acl && errno != ENOTSUP && errno != ENOSYS) return false;
    bool listed = !acl || ::acl_set_fd(fd_, acl) == 0;
    if (acl) ::acl_free(acl);
    // The mode last: setting the list set the permission bits but not the set-ID ones.
    return listed && ::fchmod(fd_, opened_.st_mode & 07777) == 0;
}

os_error file_replacement::write_in_place(int64_t expected_size) {
    bool reserved = false;
    if (expected_size > 0) {
        reserved = ::fallocate(target_, 0, 0, expected_size) == 0;
        if (!reserved && errno != EOPNOTSUPP && errno != ENOSYS) {
            int err = errno;
            // A reservation that failed part way may have made the file longer.
            struct stat now {};
            if (::fstat(target_, &now) == 0 && now.st_size != opened_.st_size) {
                // As far as it goes: the failure reported is the reservation's.
                [[maybe_unused]] int cut = ::ftruncate(target_, opened_.st_size);
            }
            return fail(err);
        }
    }
    if (::ftruncate(target_, reserved ? expected_size : 0) != 0 ||
        ::fcntl(target_, F_SETFL, 0) != 0) {
        return fail(errno);
    }
    way_ = way::in_place;
    fd_ = std::exchange(target_, -1);
    return {};
}

bool file_replacement::cut_to_written() const {
    off_t end = ::lseek(fd_, 0, SEEK_CUR);
    struct stat now {};
    return end >= 0 && ::fstat(fd_, &now) == 0 &&
           (now.st_size == end || ::ftruncate(fd_, end) == 0);
}

os_error file_replacement::finish() {
    if (fd_ < 0) return write_error(EBADF);
    if (way_ == way::in_place && !cut_to_written()) return fail(errno);
    if (way_ == way::stream || way_ == way::in_place) {
        // A late write error, which a network file system reports at the close, is the
        // file's failure.
        if (close_failed(std::exchange(fd_, -1))) return fail(errno);
        created_ = false;
        discard();
        return {};
    }
    // On the disk before it takes the file's place, so that a power loss leaves the old or the
    // new content whole; a late write error fails the replacement here.
    if (::fsync(fd_) != 0) return fail(errno);
    // A file cannot be linked over another: an unnamed one is linked under a hidden name
    // first, which the rename then moves over the file.
    for (int attempt = 0; way_ == way::unnamed && temporary_.empty(); ++attempt) {
        std::string hidden = hidden_name();
        if (::linkat(AT_FDCWD, proc_name(fd_).c_str(), folder_, hidden.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = std::move(hidden);
        } else if (errno != EEXIST || attempt + 1 == name_attempts) {
            return fail(errno);
        }
    }
    if (close_failed(std::exchange(fd_, -1))) return fail(errno);
    if (::renameat(folder_, temporary_.c_str(), folder_, base_.c_str()) != 0) return fail(errno);
    temporary_.clear();
    created_ = false;
    // The rename on the disk too. The file holds its new content by now whatever this gives,
    // so a failure here is not the save's: a folder that may not be read is not flushed.
    (void)::fsync(folder_);
    discard();
    return {};
}

} // namespace tovl
