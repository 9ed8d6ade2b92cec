// scratch_file: an unnamed file in the user's runtime folder for data kept out of memory.
#pragma once

#include "platform/descriptors.h"
#include "platform/os_error.h"

#include <cstddef>
#include <cstdint>

namespace tovl {

// A file that no folder lists: it is created unnamed (or named and unlinked at once where the
// file system has no unnamed files) in $XDG_RUNTIME_DIR, or in /tmp when that is unset or
// takes no file, and its disk space goes back to the system when it is closed, however the
// process ends. Reads and writes name their place in the file.
class scratch_file {
  public:
    // Opens the file; `error` says why no folder took it, and the file is then not open.
    explicit scratch_file(os_error& error);

    bool is_open() const { return fd_.get() >= 0; }
    // Writes all of `size` bytes at `at`, or fails.
    os_error write_at(uint64_t at, const void* data, size_t size);
    // Reads `size` bytes at `at`; the bytes that the file does not hold read as zeros.
    os_error read_at(uint64_t at, void* data, size_t size) const;
    // Empties the file, giving its disk space back; shrinking a file needs no room, so a full
    // disk does not make this fail.
    os_error clear();

  private:
    descriptor fd_;
};

} // namespace tovl
