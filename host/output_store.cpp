// The window's output in memory and in scratch files: appending, moving to disk, reading back.
#include "host/output_store.h"

#include "interp/utf8.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tovl {

namespace {

constexpr size_t piece = size_t(1) << 16; // characters read back from disk at a time
constexpr size_t starts_at_a_time = 1024; // line starts written to disk at a time

bool is_high_surrogate(char16_t c) {
    return c >= 0xD800 && c < 0xDC00;
}

} // namespace

// The part in memory stays below 4 Gi characters, as the line index needs.
output_store::output_store(size_t memory_bound)
    : text_limit_(std::clamp<size_t>(memory_bound / 2 / sizeof(char16_t), 256, size_t(1) << 31)),
      line_limit_(std::clamp<size_t>(memory_bound / 2 / sizeof(uint32_t), 64, size_t(1) << 30)) {}

void output_store::append(text_view more) {
    while (!more.empty()) {
        if (memory_.size() >= text_limit_) spill();
        size_t take = std::min(more.size(), text_limit_ - memory_.size());
        take_in(more.substr(0, take));
        more.remove_prefix(take);
        if (lines_.count() - lines_.first_line() > line_limit_) spill();
    }
    // The notice follows what this call appended, which it thus never splits.
    if (!drop_notice_.empty()) {
        text notice;
        if (line_start(line_count() - 1) < size()) notice = u"\r\n";
        notice += drop_notice_;
        drop_notice_.clear();
        take_in(notice);
    }
}

void output_store::take_in(text_view chars) {
    size_t needed = memory_.size() + chars.size();
    if (needed > memory_.capacity()) {
        // A string's own growth may double past the limit; a new one gets what it asks for.
        text larger(memory_.get_allocator());
        larger.reserve(std::max(needed, std::min(2 * memory_.capacity(), text_limit_)));
        larger.append(memory_);
        memory_.swap(larger);
    }
    memory_.append(chars);
    lines_.add(chars);
}

void output_store::spill() {
    // Half the characters and half the lines at least, up to a line start where one follows.
    size_t to = spilled_ + memory_.size() / 2;
    size_t next = lines_.first_line_from(to);
    if (next < lines_.count()) to = lines_.start(next);
    size_t held = lines_.count() - lines_.first_line();
    if (held > 1) to = std::max(to, lines_.start(lines_.first_line() + held / 2));

    os_error cause = move_to_disk(to);
    os_error failed = cause;
    bool lost = false;
    if (failed && dropped_ < spilled_) {
        // The disk takes no more: the output on it goes first, and the move is tried again.
        drop_disk_part();
        lost = true;
        failed = move_to_disk(to);
    }
    lines_.forget_before(to);
    memory_.erase(0, to - spilled_);
    spilled_ = to;
    if (failed) {
        drop_disk_part();
        lost = true;
    }
    if (lost && !dropping_) {
        drop_notice_.clear();
        append_ascii(drop_notice_,
                     run_error_kind(cause) == error_kind::disk_full
                         ? "[older output dropped: the disk is full]\r\n"
                         : "[older output dropped: it could not be kept on disk]\r\n");
    }
    dropping_ = lost;
}

os_error output_store::move_to_disk(size_t to) {
    os_error error;
    if (!text_file_) {
        auto text_file = std::make_unique<scratch_file>(error);
        if (error) return error;
        auto line_file = std::make_unique<scratch_file>(error);
        if (error) return error;
        text_file_ = std::move(text_file);
        line_file_ = std::move(line_file);
    }
    error = text_file_->write_at((spilled_ - text_origin_) * sizeof(char16_t), memory_.data(),
                                 (to - spilled_) * sizeof(char16_t));
    if (error) return error;
    std::array<uint64_t, starts_at_a_time> starts{};
    size_t end = lines_.first_line_from(to);
    for (size_t line = lines_.first_line(); line < end && !error; line += starts_at_a_time) {
        size_t count = std::min(starts_at_a_time, end - line);
        for (size_t i = 0; i < count; ++i)
            starts[i] = lines_.start(line + i);
        error = line_file_->write_at((line - lines_origin_) * sizeof(uint64_t), starts.data(),
                                     count * sizeof(uint64_t));
    }
    return error;
}

void output_store::drop_disk_part() {
    if (text_file_) {
        text_file_->clear();
        line_file_->clear();
    }
    dropped_ = spilled_;
    bool line_starts_here =
        lines_.count() > lines_.first_line() && lines_.start(lines_.first_line()) == spilled_;
    first_line_ = line_starts_here ? lines_.first_line() : lines_.first_line() - 1;
    text_origin_ = spilled_;
    lines_origin_ = lines_.first_line();
}

size_t output_store::line_start(size_t line) const {
    if (line <= first_line_) return dropped_;
    if (line >= lines_.first_line()) return lines_.start(line);
    uint64_t start = 0;
    line_file_->read_at((line - lines_origin_) * sizeof start, &start, sizeof start);
    return start;
}

size_t output_store::line_end(size_t line) const {
    if (line + 1 >= line_count()) return size();
    size_t next = line_start(line + 1);
    bool pair = next >= dropped_ + 2 && at(next - 1) == u'\n' && at(next - 2) == u'\r';
    return next - (pair ? 2 : 1);
}

size_t output_store::line_of(size_t offset) const {
    bool held = lines_.count() > lines_.first_line();
    if (held && offset >= lines_.start(lines_.first_line())) return lines_.line_of(offset);
    size_t low = first_line_, high = lines_.first_line();
    while (high - low > 1) {
        size_t middle = low + (high - low) / 2;
        if (line_start(middle) <= offset) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return low;
}

char16_t output_store::at(size_t offset) const {
    if (offset < dropped_) return u'\0';
    if (offset >= spilled_) return memory_[offset - spilled_];
    char16_t c = 0;
    text_file_->read_at((offset - text_origin_) * sizeof c, &c, sizeof c);
    return c;
}

text output_store::read(size_t from, size_t to) const {
    from = std::max(from, dropped_);
    if (to <= from) return {};
    text chars(to - from, u'\0');
    size_t on_disk = from < spilled_ ? std::min(to, spilled_) - from : 0;
    if (on_disk > 0) {
        text_file_->read_at((from - text_origin_) * sizeof(char16_t), chars.data(),
                            on_disk * sizeof(char16_t));
    }
    if (to > spilled_) {
        size_t in_memory = from + on_disk - spilled_;
        memory_.copy(chars.data() + on_disk, to - from - on_disk, in_memory);
    }
    return chars;
}

bool output_store::write_utf8(const std::function<bool(std::string_view bytes)>& write) const {
    std::string bytes;
    for (size_t from = dropped_; from < size();) {
        size_t to = std::min(size(), from + piece);
        text chars = read(from, to);
        // A surrogate pair is encoded whole: a high surrogate at a piece's end waits for the next.
        if (to < size() && is_high_surrogate(chars.back())) {
            chars.pop_back();
            --to;
        }
        bytes.clear();
        append_utf8(bytes, chars);
        if (!write(bytes)) return false;
        from = to;
    }
    return true;
}

size_t output_store::memory_bytes() const {
    return memory_.capacity() * sizeof(char16_t) + lines_.memory_bytes();
}

} // namespace tovl
