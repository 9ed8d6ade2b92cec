// The file copy of "scopy".
#pragma once

#include <optional>
#include <string>

namespace tovl {

enum class copy_side { source, destination };

// Why a copy was not made: the errno, and whether it concerns the source or the destination.
struct copy_failure {
    int error;
    copy_side side;
};

// Copies the plain file `source` over `destination` through a file_replacement: a failed or
// interrupted copy leaves the destination as it was, a replaced destination keeps its mode and
// owner, and one this process may not write is refused. A new destination gets the source's
// permissions less the umask. Nothing when the copy was made; never raises. Copying a file
// onto itself, by the same name or another name of the same file, leaves it intact.
std::optional<copy_failure> copy_file(const std::string& source, const std::string& destination);

} // namespace tovl
