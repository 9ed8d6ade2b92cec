// The file copy of "scopy".
#pragma once

#include "platform/os_error.h"

#include <string>

namespace tovl {

// Copies the plain file `source` over `destination` through a file_replacement: a failed or
// interrupted copy leaves the destination as it was, a replaced destination keeps its mode,
// owner, access control list and attributes, and one this process may not write, or that is
// no plain file (a standard stream included), is refused. A new destination gets the source's
// permissions less the umask. Never raises: a failure's task tells which file it concerns,
// read_file for the source and write_file for the destination. Copying a file onto itself, by
// the same name or another name of the same file, leaves it intact.
os_error copy_file(const std::string& source, const std::string& destination);

} // namespace tovl
