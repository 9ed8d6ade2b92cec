// The scratch file: opened unnamed in the runtime folder, read and written in place.
#include "platform/scratch_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace tovl {

namespace {

// An unnamed file in `folder`, read and written by this user alone; -1 and `error` on failure.
int open_unnamed(const std::string& folder, os_error& error) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    // File systems without unnamed files refuse them with EOPNOTSUPP (or, on old kernels,
    // EISDIR): a named file unlinked at once is the same to everyone else.
    if (errno == EOPNOTSUPP || errno == EISDIR) {
        std::string name = folder + "/.tovl-scratch-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) {
            ::unlink(name.c_str());
            return fd;
        }
    }
    error = {errno, os_task::write_file};
    return -1;
}

int open_in_runtime_folder(os_error& error) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        int fd = open_unnamed(runtime, error);
        if (fd >= 0) return fd;
    }
    error = {};
    return open_unnamed("/tmp", error);
}

} // namespace

scratch_file::scratch_file(os_error& error) : fd_(open_in_runtime_folder(error)) {}

os_error scratch_file::write_at(uint64_t at, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::pwrite(fd_.get(), bytes, size, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {errno, os_task::write_file};
        bytes += n;
        at += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return {};
}

os_error scratch_file::read_at(uint64_t at, void* data, size_t size) const {
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::pread(fd_.get(), bytes, size, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {errno, os_task::read_file};
        if (n == 0) {
            std::memset(bytes, 0, size);
            return {};
        }
        bytes += n;
        at += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return {};
}

os_error scratch_file::clear() {
    if (::ftruncate(fd_.get(), 0) != 0) return {errno, os_task::write_file};
    return {};
}

} // namespace tovl
