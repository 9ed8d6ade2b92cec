// File copy through a temporary file renamed over the destination, so no half copy is seen.
#include "platform/file_copy.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tovl {

namespace {

class descriptor {
  public:
    explicit descriptor(int fd = -1) : fd_(fd) {}
    ~descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting whether the close succeeded (it may carry a late write error).
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || errno == EINTR;
    }

  private:
    int fd_;
};

// The temporary file, deleted unless it has been renamed into place.
class temporary_file {
  public:
    explicit temporary_file(std::string path) : path_(std::move(path)) {}
    ~temporary_file() {
        if (!kept_) ::unlink(path_.c_str());
    }
    temporary_file(const temporary_file&) = delete;
    temporary_file& operator=(const temporary_file&) = delete;
    const std::string& path() const { return path_; }
    void keep() { kept_ = true; }

  private:
    std::string path_;
    bool kept_ = false;
};

bool write_all(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies from both descriptors' current positions to the end of the source.
bool copy_bytes(int from, int to) {
    // The kernel copies without a trip through user memory where the file systems allow it.
    for (;;) {
        ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, size_t(1) << 30, 0);
        if (n > 0) continue;
        if (n == 0) break; // the end, or a file system that cannot say: the loop below finds out
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
            errno == EBADF) {
            break;
        }
        return false;
    }
    static thread_local char buffer[65536];
    for (;;) {
        ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!write_all(to, buffer, static_cast<size_t>(n))) return false;
    }
}

// A destination that is a symbolic link to an existing file is replaced where the link leads.
std::string resolve_destination(const std::string& name) {
    struct stat info {};
    if (::lstat(name.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* real = ::realpath(name.c_str(), nullptr)) {
            std::string path = real;
            std::free(real);
            return path;
        }
    }
    return name;
}

// The folder part of a path with its final slash, empty for a name in the current folder.
std::string folder_of(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Failures, with their errno taken at once. A folder is EISDIR and any other file that is not
// a plain file (a pipe, a device) ESPIPE: both are path/file access errors to the script.
copy_failure at_source(int error) {
    return {error, copy_side::source};
}
copy_failure at_destination(int error) {
    return {error, copy_side::destination};
}

std::optional<copy_failure> copy_or_fail(const std::string& source_name,
                                         const std::string& destination_name) {
    if (source_name.empty()) return at_source(ENOENT);
    if (destination_name.empty()) return at_destination(ENOENT);

    descriptor source(::open(source_name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (source.get() < 0) return at_source(errno);
    struct stat from {};
    if (::fstat(source.get(), &from) != 0) return at_source(errno);
    if (!S_ISREG(from.st_mode)) return at_source(S_ISDIR(from.st_mode) ? EISDIR : ESPIPE);

    std::string destination = resolve_destination(destination_name);
    struct stat to {};
    if (::stat(destination.c_str(), &to) == 0) {
        // The same file under another name: copying would empty it, and it already holds
        // the source's bytes.
        if (to.st_dev == from.st_dev && to.st_ino == from.st_ino) return std::nullopt;
        // Never a folder, and never a device or pipe swapped for a plain file.
        if (!S_ISREG(to.st_mode)) return at_destination(S_ISDIR(to.st_mode) ? EISDIR : ESPIPE);
    }

    std::string pattern = folder_of(destination) + ".tovlcopy-XXXXXX";
    descriptor target(::mkostemp(pattern.data(), O_CLOEXEC));
    if (target.get() < 0) return at_destination(errno);
    temporary_file temporary(pattern);

    if (!copy_bytes(source.get(), target.get())) return at_destination(errno);
    if (::fchmod(target.get(), from.st_mode & 0777) != 0) return at_destination(errno);
    if (!target.close()) return at_destination(errno);
    if (::rename(temporary.path().c_str(), destination.c_str()) != 0) {
        return at_destination(errno);
    }
    temporary.keep();
    return std::nullopt;
}

} // namespace

std::optional<copy_failure> copy_file(const std::string& source, const std::string& destination) {
    try {
        return copy_or_fail(source, destination);
    } catch (const std::bad_alloc&) {
        return at_destination(ENOMEM);
    }
}

} // namespace tovl
