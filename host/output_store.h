// output_store: the window's output, its newest part in memory and the older part on disk.
#pragma once

#include "host/line_index.h"
#include "host/output_segment.h"
#include "interp/text.h"
#include "interp/text_ref.h"
#include "platform/scratch_file.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace tovl {

// The output as the script printed it, CR LF included, and its lines by line_index's rules.
// Offsets and line numbers count from the start of the output. At most `memory_bound` bytes
// stay in memory, half for the newest characters and half for their line starts; the older
// output moves to two scratch files, its text and its line starts, and is read back from there
// on request, so that like a terminal's scroll-back it is kept whole however long a run
// prints. The characters are held in segments of a fixed length, one byte a character in a
// segment where all fit in one (output_segment), in memory and on disk alike. When the disk takes
// no more, the output on disk is dropped (and, if the disk is full without it, what would have gone
// there), and a line of its own after what was being appended says so. A line whose start was
// dropped starts at the first character kept.
class output_store {
  public:
    static constexpr size_t default_memory_bound = size_t(64) << 20;

    explicit output_store(size_t memory_bound = default_memory_bound);

    // Appends characters in either form; narrow ones stay narrow where their segment is.
    void append(const text_ref& more);

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
    template <class character> void take_in(std::basic_string_view<character> chars);
    // Says that output was dropped, after what the last append added.
    void tell_of_drop();
    // Moves output to disk unless `bytes` more of text fit in memory.
    void make_room(size_t bytes);
    size_t text_bytes() const;
    size_t segment_length() const { return size_t(1) << segment_bits_; }
    const output_segment& segment_of(size_t offset) const {
        return segments_[(offset >> segment_bits_) - first_segment_];
    }
    // Moves the older half of what memory holds to disk, or drops it.
    void spill();
    os_error move_to_disk(size_t to);
    os_error move_text_to_disk(size_t to);
    // Reads characters before spilled_ from disk.
    void read_from_disk(size_t from, size_t to, char16_t* into) const;
    // Drops the output before the part in memory.
    void drop_disk_part();

    unsigned segment_bits_; // a segment holds 2^segment_bits_ characters
    size_t text_budget_;    // bytes for the segments and their table
    size_t line_budget_;    // bytes for the line index
    // The segments from first_segment_ on: segment k holds the output from k * length on,
    // whole, including what is on disk too.
    std::vector<output_segment, budget_allocator<output_segment>> segments_;
    size_t first_segment_ = 0;
    line_index lines_;      // holds the starts from spilled_ on
    size_t spilled_ = 0;    // the output before this offset is on disk or dropped
    size_t dropped_ = 0;    // the output before this offset is dropped
    size_t first_line_ = 0; // the line that holds dropped_
    // The scratch files, opened at the first spill: the text from text_origin_ on, and the
    // starts of the lines from lines_origin_ on as 64-bit offsets. In the text file each
    // segment from the one holding text_origin_ on has room for its length in 16-bit
    // characters, in the order of the output; a narrow one leaves half of it as a hole,
    // which takes no disk space.
    std::unique_ptr<scratch_file> text_file_;
    std::unique_ptr<scratch_file> line_file_;
    size_t text_origin_ = 0;
    size_t lines_origin_ = 0;
    // Whether the text file holds each segment from the one holding text_origin_ on in 16 bits.
    std::vector<bool> wide_on_disk_;
    bool dropping_ = false; // the last spill dropped output; it has been said once
    text drop_notice_;      // the line that says so, due at the end of the append
};

} // namespace tovl
