// file_replacement: a file's new content written beside it and renamed over it when complete.
#pragma once

#include "platform/os_error.h"

#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace tovl {

// The new content of a file, for "ssave" and "scopy". It is written to a temporary file in the
// file's folder, unnamed where the file system allows it, which takes the file's place only at
// finish(): until then the file keeps its old content, and a failure, a discarded replacement
// or a kill of the process leaves it exactly so. A new file takes its name at once when
// complete; one that replaces a file is linked under a hidden name ".tovl-..." and renamed over
// it, and a kill between those two calls leaves that name, holding the whole new content. On
// a file system without unnamed files the temporary file has the hidden name from the start,
// and a kill while writing leaves it.
//
// - A symbolic link's target is replaced, not the link (a link to nothing creates its target).
// - An existing file must be one this process may write, as writing it in place would require.
//   It keeps its mode, owner and group. Other hard links to it keep the old content: the
//   rename gives the name a new file, so that a failure never leaves a half-written file
//   under any name, and each name holds a whole version.
// - A new file gets `new_mode` less the umask.
// - Written in place, as a plain rewrite that a failure can leave half done: a file whose folder
//   takes no new file (it may be written but the folder may not), and a file whose owner or
//   group the process may not give to another file (a file of another user, as anyone but
//   root). A save thus never changes a file's owner or group, which would hand its group
//   permissions to another group, and never fails for a folder with the sticky bit (/tmp),
//   where only a file's owner may rename over it.
// - Devices such as /dev/null are written directly when `devices` is set, and refused
//   otherwise, as is anything else that is not a plain file: EISDIR for a folder, ESPIPE for
//   the rest.
class file_replacement {
  public:
    file_replacement() = default;
    // Discards an unfinished replacement; the file keeps its old content.
    ~file_replacement();
    file_replacement(const file_replacement&) = delete;
    file_replacement& operator=(const file_replacement&) = delete;

    // Opens the new content of the file `name` for writing, or fails with what prevents it.
    os_error start(const std::string& name, mode_t new_mode, bool devices);
    int fd() const { return fd_; }
    // Puts the new content in place of the file and closes it; after a failure the file keeps
    // its old content.
    os_error finish();

  private:
    enum class way { unnamed, named, in_place, device };
    os_error start_beside(int current, const struct stat* old, mode_t new_mode);
    os_error write_in_place(int current);
    void discard();
    os_error fail(int err); // discards, then gives `err` back

    int fd_ = -1;
    way way_ = way::unnamed;
    std::string path_;      // the file replaced, links resolved
    std::string temporary_; // the named temporary file, while it exists
};

} // namespace tovl
