// File copy into a replacement of the destination, so that no half copy is ever seen.
#include "platform/file_copy.h"

#include "platform/descriptors.h"
#include "platform/file_replacement.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tovl {

namespace {

// Failures, with their errno taken at once. A folder is EISDIR and any other file that is not
// a plain file (a pipe, a device) ESPIPE: both are path/file access errors to the script.
os_error at_source(int err) {
    return {err, os_task::read_file};
}
os_error at_destination(int err) {
    return {err, os_task::write_file};
}

// Copies from both descriptors' current positions to the end of the source. A failure to read
// the source counts against the destination too: the copy could not be made.
os_error copy_bytes(int from, int to) {
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
        return at_destination(errno);
    }
    static thread_local char buffer[65536];
    for (;;) {
        ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return at_destination(errno);
        if (n == 0) return {};
        if (os_error error = write_all(to, buffer, static_cast<size_t>(n))) return error;
    }
}

os_error copy_or_fail(const std::string& source_name, const std::string& destination_name) {
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
        return {};
    }

    // Never a folder, a device, a pipe or a standard stream. A new destination gets the
    // source's permissions less the umask; a replaced one keeps its own. One rewritten in place
    // reserves the source's size first.
    file_replacement target;
    if (os_error error = target.start(destination_name, from.st_mode & 0777, false, from.st_size)) {
        return error;
    }
    if (os_error error = copy_bytes(source.get(), target.fd())) return error;
    return target.finish();
}

} // namespace

os_error copy_file(const std::string& source, const std::string& destination) {
    try {
        return copy_or_fail(source, destination);
    } catch (const std::bad_alloc&) {
        return at_destination(ENOMEM);
    }
}

} // namespace tovl
