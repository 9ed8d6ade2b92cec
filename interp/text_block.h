// text_block: the storage of a text in a heap block, in its narrow or wide form, with room to grow.
#pragma once

#include "interp/text_ref.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace tovl {

// A heap block: a small head, then the characters, one or two bytes each. The head keeps what
// the strict number parse made of the characters when it is no whole number a value can keep
// in its own head. Blocks are charged to the memory budget.
struct text_block {
    uint32_t capacity; // bytes of room for characters after the head
    uint32_t length;   // characters held
    double number;     // the parsed number, once the holder has parsed the characters

    narrow_char* bytes() { return reinterpret_cast<narrow_char*>(this + 1); }
    const narrow_char* bytes() const { return reinterpret_cast<const narrow_char*>(this + 1); }
};

// A block with room for at least `bytes` bytes of characters, holding none.
text_block* allocate_text_block(size_t bytes);
void free_text_block(text_block* block) noexcept;

// The characters of a block in the given form; none without a block.
inline text_ref block_chars(const text_block* block, bool wide) {
    if (block == nullptr) return {};
    if (wide) return text_view(reinterpret_cast<const char16_t*>(block->bytes()), block->length);
    return narrow_view(block->bytes(), block->length);
}

// Characters in a block (or none without one) and their form: the rules of growing and
// widening, written once for every holder (a value, a text being built).
struct text_storage {
    text_block* block = nullptr;
    bool wide = false;

    text_ref chars() const { return block_chars(block, wide); }
    size_t size() const { return block == nullptr ? 0 : block->length; }
    // Replaces the characters with `first` and `second` joined, reusing the block when it has
    // room; narrow whenever they fit.
    void assign(text_ref first, text_ref second = {});
    // Appends, widening the characters held once when a character beyond one byte joins them;
    // the block grows by doubling, so a text built by appending costs linear time.
    void append(text_ref more);
    // Room for `chars` characters in the present form, without changing them.
    void reserve(size_t chars);
    void release() noexcept;
};

// A text of either form being built, as a file's content is while it is read; a value takes
// over its block without a copy.
class compact_text {
  public:
    compact_text() = default;
    compact_text(const compact_text&) = delete;
    compact_text& operator=(const compact_text&) = delete;
    compact_text(compact_text&& other) noexcept : storage_(std::exchange(other.storage_, {})) {}
    compact_text& operator=(compact_text&&) = delete;
    ~compact_text() { storage_.release(); }

    // Room for `chars` narrow characters in all, so that appending them allocates once.
    void reserve(size_t chars) { storage_.reserve(chars); }
    void append(text_ref more) { storage_.append(more); }
    text_ref chars() const { return storage_.chars(); }
    size_t size() const { return storage_.size(); }
    // Hands the storage over; this text is empty afterwards.
    text_storage release_storage() { return std::exchange(storage_, {}); }

  private:
    text_storage storage_;
};

} // namespace tovl
