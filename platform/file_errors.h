// Mapping of the operating system's file errors to run-time error kinds.
#pragma once

#include "interp/run_error.h"

namespace tovl {

// The run-time error kind for an errno value of a failed file operation. `reading` tells
// whether the operation wanted an existing file, so that a missing one is "file not found"
// rather than "path not found".
error_kind file_error_kind(int err, bool reading);

[[noreturn]] void throw_file_error(int err, bool reading);

} // namespace tovl
