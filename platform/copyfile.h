// The platform's file copy.
#pragma once

#include <cstdint>

namespace tovl {

// Copies the file `existing` to `newfile` (8-bit names). With failifexists 0 an existing
// `newfile` is replaced; otherwise its existence makes the copy fail. Returns nonzero on
// success and 0 on failure; never raises. Copying a file onto itself, by the same name or
// another name of the same file, leaves it intact.
int32_t CopyFileA(const char* existing, const char* newfile, int32_t failifexists);

} // namespace tovl
