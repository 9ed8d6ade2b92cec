// The file copy of "scopy".
#pragma once

#include <string>

namespace tovl {

// Copies the file `source` over `destination`, replacing it, through a temporary file renamed
// into place so that no half copy is ever seen. True when the copy was made; never raises.
// Copying a file onto itself, by the same name or another name of the same file, leaves it
// intact.
bool copy_file(const std::string& source, const std::string& destination);

} // namespace tovl
