// The blocks that hold values' texts: allocation through the memory budget, and the rules of
// assigning, growing and widening their characters.
#include "interp/text_block.h"

#include "interp/memory_budget.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tovl {

namespace {

// Writes `chars` at `to` in the given form; `to` has room for them.
void put_chars(narrow_char* to, text_ref chars, bool wide) {
    if (chars.empty()) return; // an empty view may have no characters to point at
    if (chars.is_narrow() && !wide) {
        std::memmove(to, chars.narrow().data(), chars.size());
    } else if (!chars.is_narrow() && wide) {
        std::memmove(to, chars.wide().data(), chars.size() * sizeof(char16_t));
    } else if (wide) {
        auto* out = reinterpret_cast<char16_t*>(to);
        std::copy(chars.narrow().begin(), chars.narrow().end(), out);
    } else {
        std::transform(chars.wide().begin(), chars.wide().end(), to,
                       [](char16_t c) { return static_cast<narrow_char>(c); });
    }
}

bool needs_wide(text_ref chars) {
    return !chars.is_narrow() && !fits_narrow(chars.wide());
}

} // namespace

text_block* allocate_text_block(size_t bytes) {
    size_t total = sizeof(text_block) + bytes;
    memory_budget::charge(total);
    void* memory = ::operator new(total, std::nothrow);
    if (memory == nullptr) {
        memory_budget::refund(total);
        throw std::bad_alloc();
    }
    return new (memory) text_block{static_cast<uint32_t>(bytes), 0, 0};
}

void free_text_block(text_block* block) noexcept {
    if (block == nullptr) return;
    memory_budget::refund(sizeof(text_block) + block->capacity);
    ::operator delete(block);
}

void text_storage::assign(text_ref first, text_ref second) {
    bool to_wide = needs_wide(first) || needs_wide(second);
    size_t unit = to_wide ? sizeof(char16_t) : 1;
    size_t length = first.size() + second.size();
    text_block* old = nullptr;
    if (block == nullptr || block->capacity < length * unit) {
        // The old block goes once the characters are copied: they may lie in it.
        old = block;
        block = allocate_text_block(length * unit);
    }
    put_chars(block->bytes(), first, to_wide);
    put_chars(block->bytes() + first.size() * unit, second, to_wide);
    free_text_block(old);
    block->length = static_cast<uint32_t>(length);
    wide = to_wide;
}

void text_storage::append(text_ref more) {
    if (more.empty()) return;
    bool to_wide = wide || needs_wide(more);
    size_t unit = to_wide ? sizeof(char16_t) : 1;
    size_t length = size();
    size_t bytes = (length + more.size()) * unit;
    if (block == nullptr || block->capacity < bytes || to_wide != wide) {
        // Widening keeps the room in characters; running out of room doubles it.
        size_t room = block == nullptr ? 0 : block->capacity / (wide ? sizeof(char16_t) : 1);
        if (block == nullptr || block->capacity < bytes) room *= 2;
        text_block* grown = allocate_text_block(std::max(bytes, room * unit));
        put_chars(grown->bytes(), chars(), to_wide);
        // `more` may lie in the old block, which stays until it is copied.
        put_chars(grown->bytes() + length * unit, more, to_wide);
        free_text_block(block);
        block = grown;
    } else {
        put_chars(block->bytes() + length * unit, more, to_wide);
    }
    block->length = static_cast<uint32_t>(length + more.size());
    wide = to_wide;
}

void text_storage::reserve(size_t chars) {
    size_t unit = wide ? sizeof(char16_t) : 1;
    if (block != nullptr && block->capacity >= chars * unit) return;
    text_block* grown = allocate_text_block(chars * unit);
    if (block != nullptr) {
        std::memcpy(grown->bytes(), block->bytes(), block->length * unit);
        grown->length = block->length;
    }
    free_text_block(block);
    block = grown;
}

void text_storage::release() noexcept {
    free_text_block(block);
    block = nullptr;
    wide = false;
}

} // namespace tovl
