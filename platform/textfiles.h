// Numbered text files: the process-wide table of file numbers and sequential text access.
#pragma once

#include "interp/text.h"

#include <cstdint>
#include <memory>

namespace tovl {

enum class filemode { input, output };

// File numbers 1..maxfilenumber, each free or in use by one open file. File names and
// contents go through the 8-bit code page, byte for byte. Every failure is a run-time error
// of a file kind (file not found, path not found, bad file name, permission denied, path/file
// access error, disk full, device I/O error, file already open); using a number that is not
// open is a bad file name error.
class textfiles {
  public:
    static constexpr int maxfilenumber = 255;

    textfiles();
    ~textfiles();
    textfiles(const textfiles&) = delete;
    textfiles& operator=(const textfiles&) = delete;

    // The table of this process.
    static textfiles& process();

    // The lowest number not in use; a full table is a run-time error (file already open).
    int lowestfree() const;
    bool inuse(int number) const;

    // Input: the file must exist. Output: the file is created, or emptied when it exists.
    // A number in use is the file-already-open error, raised before any file is touched.
    void open(int number, textview name, filemode mode);

    // Length of the open file in bytes.
    int64_t length(int number);
    // Up to `count` characters from the current position (fewer at the end of the file).
    text read(int number, int64_t count);
    // One line: it ends at CR or CR LF, which is consumed and not part of the line; a lone LF
    // is an ordinary character; the last line may end at the end of the file.
    text readline(int number);
    // The same line appended to `line`, for readers that gather many lines into one text.
    void appendline(int number, text& line);
    bool atend(int number);
    // Writes the characters as they are (no line end is added).
    void write(int number, textview chars);
    // Closes the file, writing out what is buffered; a failure to write it is reported after
    // the number has been freed.
    void close(int number);
    // Closes every open file, ignoring failures: for the end of the process.
    void closeall() noexcept;

  private:
    struct openfile;
    openfile& file(int number);
    std::unique_ptr<openfile> files[maxfilenumber + 1];
};

} // namespace tovl
