// descriptors: a file descriptor closed by its owner, and writes that finish the whole buffer.
#pragma once

#include "platform/os_error.h"

#include <cstddef>
#include <string_view>

namespace tovl {

// Owns an open descriptor, or none (-1), and closes it when it goes.
class descriptor {
  public:
    explicit descriptor(int fd = -1) : fd_(fd) {}
    ~descriptor();
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Writes every byte, resuming after interruptions and short writes; the failure is that of
// the write that failed. Only async-signal-safe calls: a signal handler may use it.
os_error write_all(int fd, const char* data, size_t size);
os_error write_all(int fd, std::string_view bytes);

} // namespace tovl
