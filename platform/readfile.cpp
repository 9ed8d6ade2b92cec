// Whole-file reading with POSIX calls, errors mapped to run-time errors.
#include "platform/readfile.h"

#include "platform/fileerrors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovl {

std::string readwholefile(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        throw runerror(path.empty() ? errorkind::filenotfound : errorkind::badfilename);
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throwfileerror(errno, true);
    std::string bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) bytes.reserve(info.st_size);
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            throwfileerror(err, true);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

} // namespace tovl
