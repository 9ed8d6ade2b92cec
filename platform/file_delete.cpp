// Deleting the regular files whose names match a pattern with `*` and `?`.
#include "platform/file_delete.h"

#include "interp/name_pattern.h"
#include "platform/file_errors.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tovl {

namespace {

// Regular files and symbolic links are files to delete; removing a link leaves its target.
bool deletable(int folder, const std::string& name) {
    struct stat info {};
    if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    return S_ISREG(info.st_mode) || S_ISLNK(info.st_mode);
}

// The names in the open folder that match the pattern, sorted so the order is repeatable.
std::vector<std::string> matching_names(int folder, std::string_view pattern, bool utf8_names) {
    int list_fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (list_fd < 0) throw_file_error(errno, true);
    DIR* listing = ::fdopendir(list_fd);
    if (!listing) {
        int err = errno;
        ::close(list_fd);
        throw_file_error(err, true);
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (name_matches(pattern, name, utf8_names)) names.emplace_back(name);
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

class folder_handle {
  public:
    explicit folder_handle(int fd) : fd_(fd) {}
    ~folder_handle() { ::close(fd_); }
    folder_handle(const folder_handle&) = delete;
    folder_handle& operator=(const folder_handle&) = delete;
    int fd() const { return fd_; }

  private:
    int fd_;
};

} // namespace

void delete_matching_files(const std::string& path, bool utf8_names) {
    if (path.empty()) throw run_error(error_kind::file_not_found);
    if (path.find('\0') != std::string::npos) throw run_error(error_kind::bad_file_name);

    // Only the last part may hold wildcards; a `*` in the folder part is an ordinary byte.
    size_t slash = path.rfind('/');
    std::string folder_name = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);

    // O_PATH: deleting one named file needs no right to list the folder.
    int fd = ::open(folder_name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        // A missing folder, or a file where a folder should be, is "path not found".
        throw_file_error(errno, false);
    }
    folder_handle folder(fd);

    std::vector<std::string> names;
    if (has_wildcards(pattern)) {
        names = matching_names(folder.fd(), pattern, utf8_names);
    } else if (!pattern.empty()) {
        names.push_back(pattern);
    }

    int deleted = 0;
    for (const std::string& file : names) {
        if (!deletable(folder.fd(), file)) continue;
        if (::unlinkat(folder.fd(), file.c_str(), 0) != 0) {
            // Gone since it was listed: another process deleted it first.
            if (errno == ENOENT) continue;
            throw_file_error(errno, true);
        }
        ++deleted;
    }
    if (deleted == 0) throw run_error(error_kind::file_not_found);
}

} // namespace tovl
