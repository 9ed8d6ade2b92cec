// line_index: where each line of the newest part of the window's output starts.
#pragma once

#include "interp/text.h"

#include <cstdint>
#include <deque>

namespace tovl {

// The output shows as lines: a CR LF pair, a lone CR and a lone LF each end one, and a pair
// split over two additions still ends one line. Lines are numbered and offsets counted from the
// output's start; the index holds the starts of its newest lines, those from the last offset
// given to forget_before on, each as 4 bytes from that offset in a deque, so that growing
// never copies the starts or leaves an old copy behind. What it holds must stay below 4 Gi
// characters. A CR at the end of what is indexed ends its line at once; when its LF follows
// later, the next line's start moves past that LF.
class line_index {
  public:
    // Indexes `more`, the characters that follow those indexed so far.
    void add(text_view more);
    // The number of characters indexed.
    size_t size() const { return size_; }
    // The first line whose start is held: the lines before it were given up.
    size_t first_line() const { return first_line_; }
    // The number of lines, one more than the line ends indexed.
    size_t count() const { return first_line_ + starts_.size(); }
    // The offset of the first character of line `line`, one of those held.
    size_t start(size_t line) const { return base_ + starts_[line - first_line_]; }
    // The line that holds `offset` (its line end counts as part of it), from the first held
    // line's start on.
    size_t line_of(size_t offset) const;
    // The first line that starts at `offset` or later; count() when none does.
    size_t first_line_from(size_t offset) const;
    // Gives up the starts before `offset`, which is at most size().
    void forget_before(size_t offset);
    size_t memory_bytes() const { return starts_.size() * sizeof(uint32_t); }

  private:
    // Charged to the run's memory budget, as the output's text is.
    std::deque<uint32_t, budget_allocator<uint32_t>> starts_{0};
    size_t base_ = 0; // the offset the starts count from
    size_t first_line_ = 0;
    size_t size_ = 0;
    bool after_cr_ = false;
};

} // namespace tovl
