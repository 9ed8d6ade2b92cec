// File copy through a temporary file renamed over the destination, so no half copy is seen.
#include "platform/copyfile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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
class temporaryfile {
  public:
    explicit temporaryfile(std::string path) : path_(std::move(path)) {}
    ~temporaryfile() {
        if (!kept_) ::unlink(path_.c_str());
    }
    temporaryfile(const temporaryfile&) = delete;
    temporaryfile& operator=(const temporaryfile&) = delete;
    const std::string& path() const { return path_; }
    void keep() { kept_ = true; }

  private:
    std::string path_;
    bool kept_ = false;
};

bool writeall(int fd, const char* data, size_t size) {
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
bool copybytes(int from, int to) {
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
        if (!writeall(to, buffer, static_cast<size_t>(n))) return false;
    }
}

// A destination that is a symbolic link to an existing file is replaced where the link leads.
std::string resolvedestination(const char* newfile) {
    struct stat info {};
    if (::lstat(newfile, &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* real = ::realpath(newfile, nullptr)) {
            std::string path = real;
            std::free(real);
            return path;
        }
    }
    return newfile;
}

// The folder part of a path with its final slash, empty for a name in the current folder.
std::string folderof(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Moves the finished copy into place; with `replace` false an existing destination wins.
bool moveinto(const std::string& from, const std::string& to, bool replace) {
    if (replace) return ::rename(from.c_str(), to.c_str()) == 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace rename: check, then rename.
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0 || errno != ENOENT) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool copyfile(const char* existing, const char* newfile, bool failifexists) {
    if (!existing || !newfile || !*existing || !*newfile) return false;

    descriptor source(::open(existing, O_RDONLY | O_CLOEXEC));
    if (source.get() < 0) return false;
    struct stat from {};
    if (::fstat(source.get(), &from) != 0 || !S_ISREG(from.st_mode)) return false;

    std::string destination = resolvedestination(newfile);
    struct stat to {};
    if (::stat(destination.c_str(), &to) == 0) {
        if (failifexists) return false;
        // The same file under another name: copying would empty it, and it already holds
        // the source's bytes.
        if (to.st_dev == from.st_dev && to.st_ino == from.st_ino) return true;
        // Never a folder, and never a device or pipe swapped for a plain file.
        if (!S_ISREG(to.st_mode)) return false;
    }

    std::string pattern = folderof(destination) + ".tovlcopy-XXXXXX";
    descriptor target(::mkostemp(pattern.data(), O_CLOEXEC));
    if (target.get() < 0) return false;
    temporaryfile temporary(pattern);

    if (!copybytes(source.get(), target.get())) return false;
    if (::fchmod(target.get(), from.st_mode & 0777) != 0) return false;
    if (!target.close()) return false;
    if (!moveinto(temporary.path(), destination, !failifexists)) return false;
    temporary.keep();
    return true;
}

} // namespace

int32_t CopyFileA(const char* existing, const char* newfile, int32_t failifexists) {
    try {
        return copyfile(existing, newfile, failifexists != 0) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // namespace tovl
