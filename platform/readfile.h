// Reading a whole file, as start-up reads the script.
#pragma once

#include <string>

namespace tovl {

// The file's bytes, read to its end; a failure is a run-time file error.
std::string readwholefile(const std::string& path);

} // namespace tovl
