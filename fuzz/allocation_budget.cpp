// The counting operator new and delete behind allocation_budget. Everything goes to malloc and
// free, so the address sanitizer still sees every block (only its new/delete mismatch check is
// lost).
#include "fuzz/allocation_budget.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<bool> armed{false};
std::atomic<int64_t> live_bytes{0};
std::atomic<int64_t> baseline{0};
std::atomic<int64_t> allocated{0};

void* counted(size_t size, size_t alignment, bool nothrow) {
    if (armed.load(std::memory_order_relaxed)) {
        constexpr size_t huge = size_t(1) << 40;
        int64_t want = static_cast<int64_t>(size > huge ? huge : size);
        if (live_bytes.load() - baseline.load() + want >
                tovl::fuzz::allocation_budget::live_limit ||
            allocated.load() + want > tovl::fuzz::allocation_budget::work_limit) {
            if (nothrow) return nullptr;
            throw std::bad_alloc();
        }
        allocated += want;
    }
    if (size == 0) size = 1;
    void* p = nullptr;
    if (alignment <= alignof(std::max_align_t)) {
        p = std::malloc(size);
    } else if (::posix_memalign(&p, alignment, size) != 0) {
        p = nullptr;
    }
    if (!p) {
        if (nothrow) return nullptr;
        throw std::bad_alloc();
    }
    live_bytes += static_cast<int64_t>(::malloc_usable_size(p));
    return p;
}

void uncounted(void* p) noexcept {
    if (!p) return;
    live_bytes -= static_cast<int64_t>(::malloc_usable_size(p));
    std::free(p);
}

} // namespace

namespace tovl::fuzz {

allocation_budget::allocation_budget() {
    baseline = live_bytes.load();
    allocated = 0;
    armed = true;
}

allocation_budget::~allocation_budget() {
    armed = false;
}

budget_pause::budget_pause() : was_armed_(armed.exchange(false)) {}

budget_pause::~budget_pause() {
    armed = was_armed_;
}

} // namespace tovl::fuzz

void* operator new(size_t n) {
    return counted(n, 0, false);
}
void* operator new[](size_t n) {
    return counted(n, 0, false);
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    return counted(n, 0, true);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    return counted(n, 0, true);
}
void* operator new(size_t n, std::align_val_t a) {
    return counted(n, size_t(a), false);
}
void* operator new[](size_t n, std::align_val_t a) {
    return counted(n, size_t(a), false);
}
void* operator new(size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return counted(n, size_t(a), true);
}
void* operator new[](size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return counted(n, size_t(a), true);
}
void operator delete(void* p) noexcept {
    uncounted(p);
}
void operator delete[](void* p) noexcept {
    uncounted(p);
}
void operator delete(void* p, size_t) noexcept {
    uncounted(p);
}
void operator delete[](void* p, size_t) noexcept {
    uncounted(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    uncounted(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    uncounted(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    uncounted(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    uncounted(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    uncounted(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    uncounted(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    uncounted(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    uncounted(p);
}
