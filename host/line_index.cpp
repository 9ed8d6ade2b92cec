// The line index of the window's output: line starts found by the CR and LF rules, kept as
// lengths of a byte or more and a start a block.
#include "host/line_index.h"

#include <algorithm>

namespace tovl {

namespace {

constexpr unsigned length_bits = 7; // of each length's byte; the eighth says that more follow
constexpr uint8_t more_follow = 0x80;
constexpr uint8_t length_part = 0x7F;
constexpr size_t longest_length_bytes = (64 + length_bits - 1) / length_bits;
// What a deque of small elements allocates at a time (libstdc++'s block).
constexpr size_t deque_block_bytes = 512;

size_t length_bytes(size_t length) {
    size_t bytes = 1;
    for (; length >= more_follow; length >>= length_bits)
        ++bytes;
    return bytes;
}

} // namespace

// Line 0 starts at the output's start.
line_index::line_index() {
    block_starts_.push_back(0);
    block_positions_.push_back(0);
}

void line_index::add(text_view more) {
    add_characters(more);
}

void line_index::add(narrow_view more) {
    add_characters(more);
}

template <class character> void line_index::add_characters(std::basic_string_view<character> more) {
    for (size_t i = 0; i < more.size(); ++i) {
        character c = more[i];
        // Most characters lie above CR, and one comparison passes them.
        if (c > '\r' || (c != '\r' && c != '\n')) continue;
        // A CR followed by its LF ends its line at the LF.
        if (c == '\r' && i + 1 < more.size() && more[i + 1] == '\n') continue;
        if (c == '\n' && i == 0 && after_cr_) {
            move_newest_start(size_ + 1);
        } else {
            start_line(size_ + i + 1);
        }
    }
    if (!more.empty()) after_cr_ = more.back() == '\r';
    size_ += more.size();
}

void line_index::start_line(size_t start) {
    if (count_ > first_line_) push_length(start - newest_start_);
    size_t line = count_++;
    newest_start_ = start;
    if (block_starts_.empty()) first_block_ = line / block_lines;
    if (block_starts_.empty() || line % block_lines == 0) {
        block_starts_.push_back(start);
        block_positions_.push_back(first_position_ + lengths_.size());
    }
}

void line_index::move_newest_start(size_t start) {
    size_t newest = count_ - 1;
    if (newest > first_line_) {
        size_t previous = this->start(newest - 1);
        lengths_.resize(lengths_.size() - length_bytes(newest_start_ - previous));
        push_length(start - previous);
    }
    newest_start_ = start;
    if (newest % block_lines == 0 || newest == first_line_) {
        block_starts_.back() = start;
        block_positions_.back() = first_position_ + lengths_.size();
    }
}

void line_index::push_length(size_t length) {
    for (; length >= more_follow; length >>= length_bits)
        lengths_.push_back(static_cast<uint8_t>(length | more_follow));
    lengths_.push_back(static_cast<uint8_t>(length));
}

line_index::place line_index::block_place(size_t line) const {
    size_t block = line / block_lines;
    size_t held = block - first_block_;
    return {std::max(block * block_lines, first_line_), block_starts_[held],
            block_positions_[held] - first_position_};
}

void line_index::step(place& at) const {
    size_t length = 0;
    for (unsigned shift = 0;; shift += length_bits) {
        uint8_t byte = lengths_[at.position++];
        length |= size_t(byte & length_part) << shift;
        if (!(byte & more_follow)) break;
    }
    at.start += length;
    ++at.line;
}

line_index::place line_index::place_of_line(size_t line) const {
    place at = block_place(line);
    while (at.line < line)
        step(at);
    return at;
}

line_index::place line_index::place_of_offset(size_t offset) const {
    auto after = std::upper_bound(block_starts_.begin(), block_starts_.end(), offset);
    size_t block = first_block_ + static_cast<size_t>(after - block_starts_.begin()) - 1;
    place at = block_place(block * block_lines);
    while (at.line + 1 < count_) {
        place next = at;
        step(next);
        if (next.start > offset) break;
        at = next;
    }
    return at;
}

size_t line_index::start(size_t line) const {
    return line + 1 == count_ ? newest_start_ : place_of_line(line).start;
}

void line_index::copy_starts(size_t line, size_t lines, uint64_t* starts) const {
    if (lines == 0) return;
    place at = place_of_line(line);
    starts[0] = at.start;
    for (size_t i = 1; i < lines; ++i) {
        step(at);
        starts[i] = at.start;
    }
}

size_t line_index::line_of(size_t offset) const {
    return place_of_offset(offset).line;
}

size_t line_index::first_line_from(size_t offset) const {
    if (count_ == first_line_ || offset <= block_starts_.front()) return first_line_;
    place at = place_of_offset(offset);
    return at.start == offset ? at.line : at.line + 1;
}

void line_index::forget_before(size_t offset) {
    size_t first = first_line_from(offset);
    if (first == first_line_) return;
    if (first == count_) {
        lengths_.clear();
        block_starts_.clear();
        block_positions_.clear();
        first_line_ = first;
        return;
    }
    place kept = place_of_line(first);
    lengths_.erase(lengths_.begin(), lengths_.begin() + static_cast<std::ptrdiff_t>(kept.position));
    first_position_ += kept.position;
    size_t block = first / block_lines;
    auto blocks_gone = static_cast<std::ptrdiff_t>(block - first_block_);
    block_starts_.erase(block_starts_.begin(), block_starts_.begin() + blocks_gone);
    block_positions_.erase(block_positions_.begin(), block_positions_.begin() + blocks_gone);
    block_starts_.front() = kept.start;
    block_positions_.front() = first_position_;
    first_block_ = block;
    first_line_ = first;
}

// A line end each character, the first closing a line of any length; a start and a position
// each block begun; and a new block of memory in each deque.
size_t line_index::most_bytes_for(size_t characters) {
    return characters + longest_length_bytes +
           (characters / block_lines + 1) * 2 * sizeof(uint64_t) + 3 * deque_block_bytes;
}

} // namespace tovl
