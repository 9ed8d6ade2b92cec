// An output segment: its characters a byte each until one needs two, then two each.
#include "host/output_segment.h"

#include <algorithm>

namespace tovl {

output_segment::output_segment(size_t length) : length_(length) {
    narrow_.reserve(length);
}

void output_segment::widen() {
    wide_.reserve(length_);
    wide_.assign(narrow_.begin(), narrow_.end());
    // A vector gives its memory back only to another that takes it.
    std::vector<narrow_char, budget_allocator<narrow_char>>().swap(narrow_);
}

void output_segment::append(text_view more) {
    if (is_wide()) {
        wide_.insert(wide_.end(), more.begin(), more.end());
    } else {
        size_t held = narrow_.size();
        narrow_.resize(held + more.size());
        std::transform(more.begin(), more.end(),
                       narrow_.begin() + static_cast<std::ptrdiff_t>(held),
                       [](char16_t c) { return static_cast<narrow_char>(c); });
    }
}

void output_segment::append(narrow_view more) {
    if (is_wide()) {
        wide_.insert(wide_.end(), more.begin(), more.end());
    } else {
        narrow_.insert(narrow_.end(), more.begin(), more.end());
    }
}

void output_segment::copy(size_t from, size_t to, char16_t* into) const {
    if (is_wide()) {
        std::copy(wide_.begin() + static_cast<std::ptrdiff_t>(from),
                  wide_.begin() + static_cast<std::ptrdiff_t>(to), into);
    } else {
        std::copy(narrow_.begin() + static_cast<std::ptrdiff_t>(from),
                  narrow_.begin() + static_cast<std::ptrdiff_t>(to), into);
    }
}

const void* output_segment::bytes_at(size_t i) const {
    return is_wide() ? static_cast<const void*>(wide_.data() + i) : narrow_.data() + i;
}

} // namespace tovl
