// line_index: where each line of the window's output starts, kept up to date as output grows.
#pragma once

#include "interp/text.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace tovl {

// The output shows as lines: a CR LF pair, a lone CR and a lone LF each end one, and a pair
// split over two additions still ends one line. The index keeps each line's start as the low
// 32 bits of its offset, 4 bytes a line, in a deque: growing never copies the starts or leaves
// an old copy behind. The lines where the high part steps up (one in every 4 Gi characters at
// most) are listed apart. A CR at the end of what is indexed ends its line at once; when its LF
// follows later, the next line's start moves past that LF.
class line_index {
  public:
    // Indexes `more`, the characters that follow those indexed so far.
    void add(text_view more);
    // The number of characters indexed.
    size_t size() const { return size_; }
    // The number of lines, one more than the line ends indexed.
    size_t count() const { return low_.size(); }
    // The offset of the first character of line `line`.
    size_t start(size_t line) const;
    // The offset just past the last character of line `line`, before its line end. `output`
    // holds at least the indexed characters.
    size_t end(size_t line, text_view output) const;
    // The line that holds offset `offset` (its line end counts as part of it).
    size_t line_of(size_t offset) const;

  private:
    void push(size_t offset);

    std::deque<uint32_t> low_{0};
    // Entry k is the first line whose start is at least (k + 1) * 2^32.
    std::vector<size_t> steps_;
    size_t size_ = 0;
    bool after_cr_ = false;
};

} // namespace tovl
