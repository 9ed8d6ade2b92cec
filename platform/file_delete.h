// Deleting every file that matches a name with wildcards.
#pragma once

#include "platform/os_error.h"

#include <string>

namespace tovl {

// `*` (any run of characters) and `?` (any one character: a byte, or a UTF-8 sequence when
// `utf8_names`) may stand in the last part of the path only.
// Only regular files and symbolic links are deleted, never folders. No match is the failure
// ENOENT of a file that must exist; a match that cannot be deleted stops the deletion with its
// errno, and the files deleted before it stay deleted. Never raises.
os_error delete_matching_files(const std::string& path, bool utf8_names);

} // namespace tovl
