// Deleting every file that matches a name with wildcards.
#pragma once

#include <string>

namespace tovl {

// `*` (any run of bytes) and `?` (any one byte) may stand in the last part of the path only.
// Only regular files and symbolic links are deleted, never folders. No match is the
// file-not-found error; a match that cannot be deleted is permission denied, and the files
// deleted before it stay deleted.
void delete_matching_files(const std::string& path);

} // namespace tovl
