// file_replacement: a file's new content written beside it and renamed over it when complete.
#pragma once

#include "platform/os_error.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace tovl {

// The new content of a file, for "ssave" and "scopy".
//
// The kernel judges the name: the file is opened by it for writing as any program opens a file
// to write (O_WRONLY, not blocking, no controlling terminal), with O_CREAT only when nothing is
// there yet, so that every rule the kernel applies to a path applies here too. A symbolic link
// leads to its target only where the kernel follows it (fs.protected_symlinks refuses another
// user's link in a sticky world-writable folder, root's process included), and everything below
// concerns the file that open returned, found again through its descriptor: its folder, name,
// owner and mode. A new file is created empty by that open, and removed again by a failure.
//
// A plain file's new content is written to a temporary file in that folder, unnamed where the
// file system allows it, which takes the file's place only at finish(): until then the file
// keeps its old content, and a failure, a discarded replacement or a kill of the process leaves
// it exactly so (a kill leaves a new file empty). The new content is flushed to the disk before
// it is linked in under a hidden name ".tovl-..." and renamed over the file, and the folder
// after the rename, so that a power loss too leaves the old or the new content whole. A kill
// between the link and the rename leaves the hidden name, holding the whole new content. On a
// file system without unnamed files the temporary file has the hidden name from the start, and
// a kill while writing leaves it.
//
// - A symbolic link's target is replaced, not the link (a link to nothing creates its target).
// - An existing file must be one this process may write, as writing it in place would require.
//   It keeps its owner, group, mode (set-ID bits included), access control list and extended
//   attributes. Other hard links to it keep the old content: the rename gives the name a new
//   file, so that a failure never leaves a half-written file under any name, and each name
//   holds a whole version.
// - A new file gets `new_mode` less the umask (or as the folder's default access control list
//   says).
// - Written in place, as a plain rewrite: a file whose folder takes no new file (it may be
//   written but the folder may not), a file whose owner, group, access control list or
//   attributes a new file cannot be given (a file of another user, as anyone but root), and a
//   file that cannot be found again by name from its descriptor (no /proc, and a name that is
//   a link). A save thus never changes a file's owner or group, which would hand its group
//   permissions to another group, and never fails for a folder with the sticky bit (/tmp),
//   where only a file's owner may rename over it. The file first reserves `expected_size`
//   bytes (when that is not -1), and only then is it cut to that size and rewritten, so that a
//   full disk leaves its old content; other failures can leave it half written. On a file
//   system that cannot reserve room, it is cut and rewritten all the same. It is not flushed.
// - A stream is written to as it is, never emptied or replaced, when `streams` is set, and is
//   refused otherwise (ESPIPE): a character device (/dev/null, a terminal), a named pipe, and
//   the file of one of the process's own standard streams (/dev/stdout when standard output
//   goes to a file). An own stream is written through that stream's descriptor, at its
//   position or appended as it was opened; standard input's file, which the process only
//   reads, is appended to. A folder is refused (EISDIR), and so is anything else that is no
//   plain file, a disk's block device among them (ESPIPE).
class file_replacement {
  public:
    file_replacement() = default;
    // Discards an unfinished replacement; the file keeps its old content.
    ~file_replacement();
    file_replacement(const file_replacement&) = delete;
    file_replacement& operator=(const file_replacement&) = delete;

    // Opens the new content of the file `name` for writing, or fails with what prevents it.
    os_error start(const std::string& name, mode_t new_mode, bool streams, int64_t expected_size);
    int fd() const { return fd_; }
    // Whether the file is a stream, written to directly.
    bool is_stream() const { return way_ == way::stream; }
    // Puts the new content in place of the file and closes it; after a failure the file keeps
    // its old content.
    os_error finish();

  private:
    enum class way { unnamed, named, in_place, stream };
    os_error open_target(const std::string& name, mode_t new_mode);
    os_error start_stream(bool streams);
    // Finds the opened file's folder, and its name there; false when it cannot be found so.
    bool find_by_name(const std::string& name);
    // The temporary file in that folder: 0, or the errno of its creation.
    int open_temporary();
    // Gives the temporary file the opened file's owner, group, attributes, list and mode.
    bool copy_attributes();
    os_error write_in_place(int64_t expected_size);
    // A file rewritten in place ends where the writing ended, short of the room it reserved.
    bool cut_to_written() const;
    void drop_temporary();
    void discard();
    os_error fail(int err); // discards, then gives `err` back

    int fd_ = -1; // where the new content is written
    way way_ = way::unnamed;
    int target_ = -1;       // the file as the kernel opened it, while it is to be replaced
    struct stat opened_ {}; // what that file is: its device, inode, owner and mode
    bool created_ = false;  // that open created it: a failure removes it again
    int folder_ = -1;       // the folder holding the file, once found
    std::string base_;      // the file's name in that folder
    std::string temporary_; // the hidden name of the new content there, while it exists
};

} // namespace tovl
