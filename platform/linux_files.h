// linux_files: the file services on POSIX descriptors, names and contents in the run's encoding.
#pragma once

#include "interp/file_services.h"
#include "interp/text_encoding.h"
#include "platform/os_error.h"

#include <functional>
#include <memory>
#include <string>

namespace tovl {

// File numbers 1..max_file_number, each free or in use by one open file. Names and contents are
// converted in the run's encoding, which keeps every byte. Using a number that is not open is a bad
// file name error. An output file's content replaces its file at the close (see
// file_replacement); a stream (a device, a pipe, the process's own standard output) is written
// to instead, after `before_stream_write` has run, which lets a host write out the output it
// holds back so that what was printed before comes first. The files still open when the table
// goes are closed, and an output file among them leaves its file as it was.
class linux_files final : public file_services {
  public:
    static constexpr int max_file_number = 255;

    explicit linux_files(text_encoding encoding, std::function<void()> before_stream_write = {});
    ~linux_files() override;
    linux_files(const linux_files&) = delete;
    linux_files& operator=(const linux_files&) = delete;

    void open(int number, text_view name, file_mode mode, int64_t expected_size = -1) override;
    int64_t encoded_size(text_ref chars) const override;
    int64_t length(int number) override;
    void append_line(int number, compact_text& to) override;
    bool at_end(int number) override;
    void write(int number, text_ref chars) override;
    void close(int number) override;
    void delete_matching(text_view name) override;
    void copy(text_view source, text_view destination) override;

  private:
    struct open_file;
    open_file& file(int number);
    void write_wide(open_file& f, text_view chars);
    text_encoding encoding_;
    std::function<void()> before_stream_write_;
    std::unique_ptr<open_file> files_[max_file_number + 1];
};

// Reads a whole plain file into `bytes`, as start-up reads a script: EFBIG, before its memory is
// taken, for a file of more than `most` bytes (one that says it is, or one that goes on past
// them, as some files under /proc do). After a failure the bytes read before it are of no use.
os_error read_file_bytes(const std::string& path, std::string& bytes, size_t most);

} // namespace tovl
