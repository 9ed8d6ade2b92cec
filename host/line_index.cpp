// The line index of the window's output: line starts found by the CR and LF rules.
#include "host/line_index.h"

#include <algorithm>

namespace tovl {

void line_index::add(text_view more) {
    for (size_t i = 0; i < more.size(); ++i) {
        char16_t c = more[i];
        // Most characters lie above CR, and one comparison passes them.
        if (c > u'\r' || (c != u'\r' && c != u'\n')) continue;
        bool after_cr = i > 0 ? more[i - 1] == u'\r' : after_cr_;
        // The LF of a CR LF pair: the line that the CR began starts after it instead.
        if (c == u'\n' && after_cr) starts_.pop_back();
        starts_.push_back(static_cast<uint32_t>(size_ + i + 1 - base_));
    }
    if (!more.empty()) after_cr_ = more.back() == u'\r';
    size_ += more.size();
}

size_t line_index::line_of(size_t offset) const {
    auto after = std::upper_bound(starts_.begin(), starts_.end(), offset - base_);
    return first_line_ + static_cast<size_t>(after - starts_.begin()) - 1;
}

size_t line_index::first_line_from(size_t offset) const {
    if (offset < base_) return first_line_;
    auto from = std::lower_bound(starts_.begin(), starts_.end(), offset - base_);
    return first_line_ + static_cast<size_t>(from - starts_.begin());
}

void line_index::forget_before(size_t offset) {
    size_t forgotten = first_line_from(offset) - first_line_;
    starts_.erase(starts_.begin(), starts_.begin() + static_cast<std::ptrdiff_t>(forgotten));
    first_line_ += forgotten;
    auto moved = static_cast<uint32_t>(offset - base_);
    for (uint32_t& start : starts_)
        start -= moved;
    base_ = offset;
}

} // namespace tovl
