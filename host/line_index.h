// line_index: where each line of the newest part of the window's output starts.
#pragma once

#include "host/counted_allocator.h"
#include "interp/text.h"
#include "interp/text_ref.h"

#include <cstdint>
#include <deque>
#include <string_view>

namespace tovl {

// The output shows as lines: a CR LF pair, a lone CR and a lone LF each end one, and a pair
// split over two additions still ends one line. Lines are numbered and offsets counted from the
// output's start; the index holds the starts of its newest lines, those from the last offset
// given to forget_before on. A printed line costs little more than a byte: the index keeps the
// length of each line but the newest in as few bytes as it needs (7 bits a byte, one byte below
// 128 characters), and for each block of 64 lines the start of its first line held, so that a
// line's start is a search among the blocks and a sum of at most 63 lengths. Both grow in
// deques, so that growing never copies them or leaves an old copy behind. A CR at the end of
// what is indexed ends its line at once; when its LF follows later, the next line's start
// moves past that LF.
class line_index {
  public:
    line_index();
    // The deques count their bytes in bytes_, which must not move.
    line_index(const line_index&) = delete;
    line_index& operator=(const line_index&) = delete;
    ~line_index() = default;

    // Indexes `more`, the characters that follow those indexed so far.
    void add(text_view more);
    void add(narrow_view more);
    // The number of characters indexed.
    size_t size() const { return size_; }
    // The first line whose start is held: the lines before it were given up.
    size_t first_line() const { return first_line_; }
    // The number of lines, one more than the line ends indexed.
    size_t count() const { return count_; }
    // The offset of the first character of line `line`, one of those held.
    size_t start(size_t line) const;
    // The starts of the `lines` held lines from `line` on, into `starts`.
    void copy_starts(size_t line, size_t lines, uint64_t* starts) const;
    // The line that holds `offset` (its line end counts as part of it), from the first held
    // line's start on.
    size_t line_of(size_t offset) const;
    // The first line that starts at `offset` or later; count() when none does.
    size_t first_line_from(size_t offset) const;
    // Gives up the starts before `offset`, which is at most size().
    void forget_before(size_t offset);
    // The bytes the index holds, as charged to the run's memory budget.
    size_t memory_bytes() const { return bytes_; }
    // The most that indexing `characters` more characters can add to memory_bytes().
    static size_t most_bytes_for(size_t characters);

  private:
    static constexpr size_t block_lines = 64;
    // A held line, its start and the index of its length in lengths_.
    struct place {
        size_t line;
        size_t start;
        size_t position;
    };

    template <class character> void add_characters(std::basic_string_view<character> more);
    // A new line starts at `start`.
    void start_line(size_t start);
    // The LF of a pair whose CR ended the last addition: the newest line starts after it.
    void move_newest_start(size_t start);
    void push_length(size_t length);
    // The first held line of the block that holds `line`.
    place block_place(size_t line) const;
    // The held line `line`.
    place place_of_line(size_t line) const;
    // The held line that holds `offset`, which is at or after the first held line's start.
    place place_of_offset(size_t offset) const;
    // Moves `at` on to the next line.
    void step(place& at) const;

    size_t bytes_ = 0; // counted by the deques' allocators, declared before them
    std::deque<uint8_t, counted_allocator<uint8_t>> lengths_{counted_allocator<uint8_t>(&bytes_)};
    // One each a block from first_block_ on: the start of its first line held, and where
    // that line's length is, as an index into lengths_ plus first_position_, which stays right
    // while bytes before it are given up.
    std::deque<uint64_t, counted_allocator<uint64_t>> block_starts_{
        counted_allocator<uint64_t>(&bytes_)};
    std::deque<uint64_t, counted_allocator<uint64_t>> block_positions_{
        counted_allocator<uint64_t>(&bytes_)};
    size_t first_position_ = 0; // the position of the first byte of lengths_
    size_t first_block_ = 0;
    size_t first_line_ = 0;
    size_t count_ = 1;
    size_t newest_start_ = 0; // the start of line count_ - 1, when it is held
    size_t size_ = 0;
    bool after_cr_ = false;
};

} // namespace tovl
