// output_segment: a fixed share of the window's output, a byte a character while all fit in one.
#pragma once

#include "interp/text.h"
#include "interp/text_ref.h"

#include <cstdint>
#include <vector>

namespace tovl {

// Most output is Latin-1 and a segment holds it a byte a character; the first character above
// 255 widens the whole segment to 16 bits a character, and the others stay as they are. A
// segment takes its full length of memory at once and never grows or moves.
class output_segment {
  public:
    explicit output_segment(size_t length);

    size_t size() const { return is_wide() ? wide_.size() : narrow_.size(); }
    bool is_wide() const { return wide_.capacity() != 0; }
    // The bytes of each character as held: 1 or 2.
    size_t width() const { return is_wide() ? sizeof(char16_t) : 1; }
    char16_t operator[](size_t i) const { return is_wide() ? wide_[i] : narrow_[i]; }

    // Whether `more` can be appended without widening.
    bool takes(text_view more) const { return is_wide() || fits_narrow(more); }
    bool takes(narrow_view /*more*/) const { return true; }
    // Holds every character in 16 bits from now on.
    void widen();
    // Appends characters that the segment takes and that fit in its length.
    void append(text_view more);
    void append(narrow_view more);
    // The characters from `from` to `to` into `into`.
    void copy(size_t from, size_t to, char16_t* into) const;
    // Where the character at `i` is held, and those after it, width() bytes each.
    const void* bytes_at(size_t i) const;

    // The bytes taken from the memory budget.
    size_t memory_bytes() const { return narrow_.capacity() + wide_.capacity() * sizeof(char16_t); }

  private:
    size_t length_;
    std::vector<narrow_char, budget_allocator<narrow_char>> narrow_;
    std::vector<char16_t, budget_allocator<char16_t>> wide_;
};

} // namespace tovl
