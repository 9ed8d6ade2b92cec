// memory_files: the file services of the fuzz target, a small file system held in memory.
#pragma once

#include "interp/file_services.h"
#include "interp/text_encoding.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace tovl::fuzz {

// Numbered open files over a map from names to bytes, with the outcomes the file commands meet
// on a real file system, so that fuzzed scripts reach every path of those commands without
// touching a disk:
//
//   - folders: the current one ("" or "./"), "sub/", "/tmp/", and the read-only "/", "/etc/"
//     and "/dev/"; any other folder part is path not found. A name that is a folder is a
//     path/file access error to open.
//   - "/etc/readonly.txt" exists from the start and can be read but not written, replaced or
//     deleted (permission denied).
//   - devices in /dev/: null, zero, full, random and urandom. None can be opened for input
//     (they are no plain files); writes to full fail with disk full when written out, at the
//     close or once 64 KiB are waiting, as a buffered writer meets them; the others drop
//     what they get.
//   - names are the bytes of the texts in the run's encoding; a NUL byte, a last part over 255
//   bytes or a
//     whole name over 4095 bytes is a bad file name.
//   - at most max_files files of at most max_file_bytes bytes each; beyond that, creating or
//     writing is disk full. Deleted files that are still open live on until they are closed.
class memory_files final : public file_services {
  public:
    static constexpr int max_file_number = 255;
    static constexpr size_t max_files = 32;
    static constexpr size_t max_file_bytes = size_t(1) << 20;
    static constexpr size_t write_buffer_bytes = 65536;
    static constexpr char read_only_file[] = "/etc/readonly.txt";

    explicit memory_files(text_encoding encoding);

    void open(int number, text_view name, file_mode mode, int64_t expected_size = -1) override;
    int64_t encoded_size(text_ref chars) const override;
    int64_t length(int number) override;
    void append_line(int number, compact_text& to) override;
    bool at_end(int number) override;
    void write(int number, text_ref chars) override;
    void close(int number) override;
    void delete_matching(text_view name) override;
    void copy(text_view source, text_view destination) override;

    // For checks: the bytes of a stored file, or nullptr when there is none.
    const std::string* find(const std::string& name) const;
    size_t file_count() const { return files_.size(); }
    int open_count() const;

  private:
    enum class device { none, null, full };
    struct open_file {
        file_mode mode = file_mode::input;
        device sink = device::none;
        std::shared_ptr<std::string> bytes; // shared with the map while the file is not deleted
        size_t position = 0;                // input: the next byte to read
        size_t waiting = 0;                 // output to /dev/full: bytes not yet written out
    };

    open_file& file(int number);

    text_encoding encoding_;
    std::map<std::string, std::shared_ptr<std::string>> files_;
    std::unique_ptr<open_file> open_[max_file_number + 1];
};

} // namespace tovl::fuzz
