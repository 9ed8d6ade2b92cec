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

// Copies the file `source` over `destination`, replacing it, through a temporary file renamed
// into place so that no half copy is ever seen. Nothing when the copy was made; never raises.
// Copying a file onto itself, by the same name or another name of the same file, leaves it
// intact.
std::optional<copy_failure> copy_file(const std::string& source, const std::string& destination);

} // namespace tovl
