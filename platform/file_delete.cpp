// Deleting the regular files whose names match a pattern with `*` and `?`.
#include "platform/file_delete.h"

#include "interp/name_pattern.h"
#include "platform/descriptors.h"

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

os_error file_error(int err) {
    return {err, os_task::read_file};
}

// The names in the open folder that match the pattern, sorted so the order is repeatable.
os_error list_matching_names(int folder, std::string_view pattern, bool utf8_names,
                             std::vector<std::string>& names) {
    int list_fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (list_fd < 0) return file_error(errno);
    DIR* listing = ::fdopendir(list_fd);
    if (!listing) {
        int err = errno;
        ::close(list_fd);
        return file_error(err);
    }
    while (const dirent* entry = ::readdir(listing)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (name_matches(pattern, name, utf8_names)) names.emplace_back(name);
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return {};
}

} // namespace

os_error delete_matching_files(const std::string& path, bool utf8_names) {
    if (path.empty()) return file_error(ENOENT);
    if (path.find('\0') != std::string::npos) return file_error(EINVAL); // a bad file name

    // Only the last part may hold wildcards; a `*` in the folder part is an ordinary byte.
    size_t slash = path.rfind('/');
    std::string folder_name = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);

    // O_PATH: deleting one named file needs no right to list the folder.
    descriptor folder(::open(folder_name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    // A missing folder, or a file where a folder should be, is "path not found".
    if (folder.get() < 0) return {errno, os_task::open_folder};

    std::vector<std::string> names;
    if (has_wildcards(pattern)) {
        if (os_error error = list_matching_names(folder.get(), pattern, utf8_names, names)) {
            return error;
        }
    } else if (!pattern.empty()) {
        names.push_back(pattern);
    }

    int deleted = 0;
    for (const std::string& file : names) {
        if (!deletable(folder.get(), file)) continue;
        if (::unlinkat(folder.get(), file.c_str(), 0) != 0) {
            // Gone since it was listed: another process deleted it first.
            if (errno == ENOENT) continue;
            return file_error(errno);
        }
        ++deleted;
    }
    return deleted == 0 ? file_error(ENOENT) : os_error{};
}

} // namespace tovl
