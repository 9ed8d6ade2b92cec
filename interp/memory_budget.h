// memory_budget: one limit on the memory a run's texts hold, charged as each text allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tovl {

// Every text of the interpreter allocates through budget_allocator, so one count covers all a
// run holds: the script, the variable slots, the answers, the loaded files and the window's
// output. While a run enforces the budget, an allocation past it is the out-of-memory run-time
// error instead, raised before the memory is taken; outside a run (start-up, reports) memory is
// counted but never refused. Everything runs on one thread.
namespace memory_budget {

namespace detail {
inline size_t in_use = 0;
inline size_t limit = SIZE_MAX;
inline bool enforced = false;
} // namespace detail

// Raises the out-of-memory error for `bytes` that did not fit.
[[noreturn]] void raise_over_budget(size_t bytes);

inline size_t in_use() {
    return detail::in_use;
}
inline size_t limit() {
    return detail::limit;
}
inline void set_limit(size_t bytes) {
    detail::limit = bytes;
}
// The bytes still free under the budget.
inline size_t room() {
    return detail::in_use < detail::limit ? detail::limit - detail::in_use : 0;
}
// Each byte of outside text (a script, an answer) is held twice while it is read and decoded:
// as a byte, and as a character of two.
constexpr size_t held_while_decoding = 1 + sizeof(char16_t);
// The most bytes of outside text that can be read and decoded within the budget.
inline size_t room_for_decoding() {
    return room() / held_while_decoding;
}
// True when `bytes` more would still be within the budget.
inline bool has_room_for(size_t bytes) {
    return bytes <= detail::limit && detail::in_use <= detail::limit - bytes;
}

inline void charge(size_t bytes) {
    if (detail::enforced && !has_room_for(bytes)) [[unlikely]]
        raise_over_budget(bytes);
    detail::in_use += bytes;
}
inline void refund(size_t bytes) noexcept {
    detail::in_use -= bytes;
}

// Enforces the budget for its lifetime: the runner holds one around the lines it runs, and
// the error it raises is reported after this scope has ended, so the report's own texts fit.
class enforced_scope {
  public:
    enforced_scope() : was_(detail::enforced) { detail::enforced = true; }
    ~enforced_scope() { detail::enforced = was_; }
    enforced_scope(const enforced_scope&) = delete;
    enforced_scope& operator=(const enforced_scope&) = delete;

  private:
    bool was_;
};

} // namespace memory_budget

// The allocator of every text: std::allocator's memory, charged to the budget.
template <class element> struct budget_allocator {
    using value_type = element;
    budget_allocator() = default;
    // Allocators convert implicitly between element types.
    template <class other_element>
    budget_allocator( // NOLINT(google-explicit-constructor)
        const budget_allocator<other_element>& /*other*/) noexcept {}

    element* allocate(size_t n) {
        memory_budget::charge(n * sizeof(element));
        try {
            return std::allocator<element>().allocate(n);
        } catch (...) {
            memory_budget::refund(n * sizeof(element));
            throw;
        }
    }
    void deallocate(element* p, size_t n) noexcept {
        std::allocator<element>().deallocate(p, n);
        memory_budget::refund(n * sizeof(element));
    }
    friend bool operator==(const budget_allocator&, const budget_allocator&) { return true; }
};

} // namespace tovl
