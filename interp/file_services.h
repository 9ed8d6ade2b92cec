// file_services: numbered text files, deletion by pattern and file copy, for the file commands.
#pragma once

#include "interp/text.h"
#include "interp/text_block.h"
#include "interp/text_ref.h"

#include <cstdint>

namespace tovl {

enum class file_mode { input, output };

// Files are held open under small numbers, each free or in use. Names and contents are texts;
// the implementation converts them to the bytes of its file system. Every failure is a
// run-time error of a file kind (file not found, path not found, bad file name, permission
// denied, path/file access error, disk full, device I/O error, file already open).
class file_services {
  public:
    virtual ~file_services() = default;

    // Input: the file must exist and be a plain file. Output: what is written becomes the
    // file's whole content at a close with no failure, created or replacing what it held; until
    // then, and after any failure, an existing file keeps its old content. `expected_size`, for
    // output, is the number of bytes that will be written (encoded_size of the characters), or
    // -1 when it is not known: a file that must be rewritten in place reserves that room before
    // it loses its old content. A number in use is the file-already-open error, raised before
    // any file is touched.
    virtual void open(int number, text_view name, file_mode mode, int64_t expected_size = -1) = 0;
    // The number of bytes that writing `chars` puts in a file.
    virtual int64_t encoded_size(text_ref chars) const = 0;
    // Length of the open file in bytes.
    virtual int64_t length(int number) = 0;
    // Appends one line to `to`: a line ends at CR or CR LF, which is consumed and not part of
    // the line; a lone LF is an ordinary character; the last line may end at the end of file.
    virtual void append_line(int number, compact_text& to) = 0;
    virtual bool at_end(int number) = 0;
    // Writes the characters as they are (no line end is added).
    virtual void write(int number, text_ref chars) = 0;
    // Closes the file, writing out what is buffered; the number is free afterwards even when
    // that write fails and is reported.
    virtual void close(int number) = 0;

    // Deletes the plain files matching a name whose last part may hold `*` and `?`. No match
    // is file not found; a match that cannot be deleted is permission denied.
    virtual void delete_matching(text_view name) = 0;
    // Copies a file over another, replacing it whole or not at all. A copy that cannot be made
    // is a file error whose cause names the file at fault.
    virtual void copy(text_view source, text_view destination) = 0;
};

} // namespace tovl
