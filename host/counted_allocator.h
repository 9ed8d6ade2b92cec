// counted_allocator: the memory budget's allocator that also counts what one owner holds.
#pragma once

#include "interp/memory_budget.h"

#include <cstddef>

namespace tovl {

// Allocates as budget_allocator does and keeps the bytes held in `count`, which its owner
// reports: a container's own blocks and bookkeeping are then counted as they are charged.
// The count must outlive every container that allocates with it.
template <class element> struct counted_allocator {
    using value_type = element;

    explicit counted_allocator(size_t* count) noexcept : count(count) {}
    // Allocators convert implicitly between element types.
    template <class other_element>
    counted_allocator( // NOLINT(google-explicit-constructor)
        const counted_allocator<other_element>& other) noexcept
        : count(other.count) {}

    element* allocate(size_t n) {
        element* memory = budget_allocator<element>().allocate(n);
        *count += n * sizeof(element);
        return memory;
    }
    void deallocate(element* p, size_t n) noexcept {
        budget_allocator<element>().deallocate(p, n);
        *count -= n * sizeof(element);
    }
    friend bool operator==(const counted_allocator& a, const counted_allocator& b) {
        return a.count == b.count;
    }

    size_t* count;
};

} // namespace tovl
