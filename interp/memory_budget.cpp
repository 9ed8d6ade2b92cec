// The out-of-memory error of a run whose texts would grow past its memory budget.
#include "interp/memory_budget.h"

#include "interp/run_error.h"
#include "interp/value.h"

#include <utility>

namespace tovl::memory_budget {

namespace {

// "3 MiB" from a mebibyte up, "512 bytes" below.
text amount(size_t bytes) {
    constexpr size_t mebibyte = size_t(1) << 20;
    bool large = bytes >= mebibyte;
    size_t shown = large ? (bytes + mebibyte - 1) / mebibyte : bytes;
    return value_text(value::from_double(static_cast<double>(shown))) +
           (large ? u" MiB" : u" bytes");
}

} // namespace

void raise_over_budget(size_t bytes) {
    // The error's own texts are small and made past the budget.
    bool was = std::exchange(detail::enforced, false);
    text cause = u"the texts of the run would hold " + amount(detail::in_use + bytes) +
                 u", past its memory budget of " + amount(detail::limit) + u" (--max-memory)";
    detail::enforced = was;
    throw run_error(error_kind::out_of_memory).because(std::move(cause));
}

} // namespace tovl::memory_budget
