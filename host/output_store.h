// output_store: the window's output, its newest part in memory and the older part on disk.
#pragma once

#include "host/line_index.h"
#include "interp/text.h"
#include "platform/scratch_file.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

namespace tovl {

// The output as the script printed it, CR LF included, and its lines by line_index's rules.
// Offsets and line numbers count from the start of the output. At most `memory_bound` bytes
// stay in memory, half for the newest characters and half for their line starts; the older
// output moves to two scratch files, its text and its line starts, and is read back from there
// on request, so that like a terminal's scroll-back it is kept whole however long a run
// prints. When the disk takes no more, the output on disk is dropped (and, if the disk is full
// without it, what would have gone there), and a line of its own after what was being appended
// says so. A line whose start was dropped starts at the first character kept.
class output_store {
  public:
    static constexpr size_t default_memory_bound = size_t(64) << 20;

    explicit output_store(size_t memory_bound = default_memory_bound);

    void append(text_view more);

    // The number of characters appended, dropped ones included.
    size_t size() const { return lines_.size(); }
    // The first character and the first line kept: 0 until output is dropped.
    size_t kept_from() const { return dropped_; }
    size_t first_line() const { return first_line_; }
    // The number of lines, one more than the line ends appended.
    size_t line_count() const { return lines_.count(); }
    // The offset of the first character of a kept line.
    size_t line_start(size_t line) const;
    // The offset just past the last character of a kept line, before its line end.
    size_t line_end(size_t line) const;
    // The kept line that holds `offset` (its line end counts as part of it).
    size_t line_of(size_t offset) const;
    char16_t at(size_t offset) const;
    // The kept characters from `from` to `to`.
    text read(size_t from, size_t to) const;
    // Hands `write` the kept output in order, as UTF-8 that gives back each character as the
    // console writes it; stops at the first false from `write` and returns false then.
    bool write_utf8(const std::function<bool(std::string_view bytes)>& write) const;

    // The bytes the output takes in memory: the one figure to charge for it.
    size_t memory_bytes() const;

  private:
    // Appends characters that fit in memory.
    void take_in(text_view chars);
    // Moves the older half of what memory holds to disk, or drops it.
    void spill();
    os_error move_to_disk(size_t to);
    // Drops the output before the part in memory.
    void drop_disk_part();

    text memory_;      // the output from spilled_ on
    line_index lines_; // holds the starts from spilled_ on
    size_t text_limit_;
    size_t line_limit_;
    size_t spilled_ = 0;    // the output before this offset is on disk or dropped
    size_t dropped_ = 0;    // the output before this offset is dropped
    size_t first_line_ = 0; // the line that holds dropped_
    // The scratch files, opened at the first spill: the text from text_origin_ on as 16-bit
    // characters, and the starts of the lines from lines_origin_ on as 64-bit offsets.
    std::unique_ptr<scratch_file> text_file_;
    std::unique_ptr<scratch_file> line_file_;
    size_t text_origin_ = 0;
    size_t lines_origin_ = 0;
    bool dropping_ = false; // the last spill dropped output; it has been said once
    text drop_notice_;      // the line that says so, due at the end of the append
};

} // namespace tovl
