// File copy into a replacement of the destination, so that no half copy is ever seen.
#include "platform/file_copy.h"

#include "platform/file_replacement.h"

#include <cerrno>
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

  private:
    int fd_;
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

    // The same file under another name: copying would empty it, and it already holds the
    // source's bytes.
    struct stat to {};
    if (::stat(destination_name.c_str(), &to) == 0 && to.st_dev == from.st_dev &&
        to.st_ino == from.st_ino) {
        return std::nullopt;
    }

    // Never a folder, and never a device or pipe swapped for a plain file. A new destination
    // gets the source's permissions less the umask; a replaced one keeps its own.
    file_replacement target;
    if (int err = target.start(destination_name, from.st_mode & 0777, false)) {
        return at_destination(err);
    }
    if (!copy_bytes(source.get(), target.fd())) return at_destination(errno);
    if (int err = target.finish()) return at_destination(err);
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
