// text_block: the storage of a text a value holds, in its narrow or wide form, with room to grow.
#pragma once

#include "interp/text_ref.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace tovl {

// A heap block: a small head, then the characters, one or two bytes each. The head keeps what
// the strict number parse made of the characters, so that a value of 16 bytes can still
// remember it. Blocks are charged to the memory budget.
struct text_block {
    size_t capacity; // bytes of room for characters after the head
    double number;   // the parsed number, once the holder has parsed the characters

    narrow_char* bytes() { return reinterpret_cast<narrow_char*>(this + 1); }
    const narrow_char* bytes() const { return reinterpret_cast<const narrow_char*>(this + 1); }
};

// A block with room for at least `bytes` bytes of characters.
text_block* allocate_text_block(size_t bytes);
void free_text_block(text_block* block) noexcept;

// The characters of a block holding `length` of them in the given form; none without a block.
inline text_ref block_chars(const text_block* block, size_t length, bool wide) {
    if (block == nullptr) return {};
    if (wide) return text_view(reinterpret_cast<const char16_t*>(block->bytes()), length);
    return narrow_view(block->bytes(), length);
}

// The characters a holder keeps: a block (or none for no characters), their count and form.
// Holders (a value, a text being built) keep these three fields themselves and pass them here,
// so that the rules of growing and widening are written once.
struct text_storage {
    text_block*& block;
    uint32_t& length;
    bool& wide;

    text_ref chars() const { return block_chars(block, length, wide); }
    // Replaces the characters with `first` and `second` joined, reusing the block when it has
    // room; narrow whenever they fit.
    void assign(text_ref first, text_ref second = {});
    // Appends, widening the characters held once when a character beyond one byte joins them;
    // the block grows by doubling, so a text built by appending costs linear time.
    void append(text_ref more);
    // Room for `chars` characters in the present form, without changing them.
    void reserve(size_t chars);
    void release() noexcept;
    size_t bytes_in_use() const;
};

// A text of either form being built, as a file's content is while it is read; a value takes
// over its block without a copy.
class compact_text {
  public:
    compact_text() = default;
    compact_text(const compact_text&) = delete;
    compact_text& operator=(const compact_text&) = delete;
    compact_text(compact_text&& other) noexcept
        : block_(std::exchange(other.block_, nullptr)), length_(std::exchange(other.length_, 0)),
          wide_(std::exchange(other.wide_, false)) {}
    compact_text& operator=(compact_text&&) = delete;
    ~compact_text() { storage().release(); }

    // Room for `chars` narrow characters in all, so that appending them allocates once.
    void reserve(size_t chars) { storage().reserve(chars); }
    void append(text_ref more) { storage().append(more); }
    text_ref chars() const { return block_chars(block_, length_, wide_); }
    size_t size() const { return length_; }

  private:
    friend class value;
    text_storage storage() { return {block_, length_, wide_}; }

    text_block* block_ = nullptr;
    uint32_t length_ = 0;
    bool wide_ = false;
};

} // namespace tovl
