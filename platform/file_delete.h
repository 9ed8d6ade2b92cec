// Deleting every file that matches a name with wildcards.
#pragma once

#include <string>

namespace tovl {

// `*` (any run of characters) and `?` (any one character: a byte, or a UTF-8 sequence when
// `utf8_names`) may stand in the last part of the path only.
// Only regular files and symbolic links are deleted, never folders. No match is the
// file-not-found error; a match that cannot be deleted is permission denied, and the files
// deleted before it stay deleted.
void delete_matching_files(const std::string& path, bool utf8_names);

} // namespace tovl
