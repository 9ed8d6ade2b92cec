// Descriptors closed by their owners, and whole writes.
#include "platform/descriptors.h"

#include <cerrno>
#include <unistd.h>

namespace tovl {

descriptor::~descriptor() {
    if (fd_ >= 0) ::close(fd_);
}

os_error write_all(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {errno, os_task::write_file};
        data += n;
        size -= static_cast<size_t>(n);
    }
    return {};
}

os_error write_all(int fd, std::string_view bytes) {
    return write_all(fd, bytes.data(), bytes.size());
}

} // namespace tovl
