// The line index of the window's output: line starts found by the CR and LF rules.
#include "host/line_index.h"

#include <algorithm>

namespace tovl {

void line_index::push(size_t offset) {
    while (steps_.size() < (offset >> 32))
        steps_.push_back(low_.size());
    low_.push_back(static_cast<uint32_t>(offset));
}

void line_index::add(text_view more) {
    for (size_t i = 0; i < more.size(); ++i) {
        char16_t c = more[i];
        // Most characters lie above CR, and one comparison passes them.
        if (c > u'\r' || (c != u'\r' && c != u'\n')) continue;
        bool after_cr = i > 0 ? more[i - 1] == u'\r' : after_cr_;
        if (c == u'\n' && after_cr) {
            // The LF of a CR LF pair: the line that the CR began starts after it instead.
            low_.pop_back();
            while (!steps_.empty() && steps_.back() == low_.size())
                steps_.pop_back();
        }
        push(size_ + i + 1);
    }
    if (!more.empty()) after_cr_ = more.back() == u'\r';
    size_ += more.size();
}

size_t line_index::start(size_t line) const {
    auto high =
        static_cast<size_t>(std::upper_bound(steps_.begin(), steps_.end(), line) - steps_.begin());
    return (high << 32) | low_[line];
}

size_t line_index::end(size_t line, text_view output) const {
    if (line + 1 >= count()) return size_;
    size_t next = start(line + 1);
    bool pair = next >= 2 && output[next - 1] == u'\n' && output[next - 2] == u'\r';
    return next - (pair ? 2 : 1);
}

size_t line_index::line_of(size_t offset) const {
    size_t low = 0, high = count();
    while (high - low > 1) {
        size_t middle = low + (high - low) / 2;
        if (start(middle) <= offset) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return low;
}

} // namespace tovl
