// The window's output in memory and in scratch files: appending, moving to disk, reading back.
#include "host/output_store.h"

#include "interp/utf8.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace tovl {

namespace {

constexpr size_t piece = size_t(1) << 16; // characters read back from disk at a time
constexpr size_t starts_at_a_time = 1024; // line starts written to disk at a time
// Segments are at most 64 Ki characters and at least 64, and the text's memory holds 16 of
// them at least, so that moving half of it to disk frees whole segments.
constexpr size_t longest_segment = size_t(1) << 16;
constexpr size_t shortest_segment = 64;
constexpr size_t fewest_segments = 16;
// Room for the line index to take a few segments' lines between moves to disk; from a bound
// of 12 KiB on, this and the 16 segments fit in it.
constexpr size_t fewest_segments_of_lines = 3;

bool is_high_surrogate(char16_t c) {
    return c >= 0xD800 && c < 0xDC00;
}

} // namespace

output_store::output_store(size_t memory_bound)
    : segment_bits_(static_cast<unsigned>(std::bit_width(std::clamp(
                        memory_bound / 2 / fewest_segments, shortest_segment, longest_segment))) -
                    1),
      text_budget_(std::max(memory_bound / 2, fewest_segments * segment_length())),
      line_budget_(std::max(memory_bound / 2, fewest_segments_of_lines *
                                                  line_index::most_bytes_for(segment_length()))) {
    // The table of segments never grows: the text's budget holds this many at most.
    segments_.reserve(text_budget_ >> segment_bits_);
}

void output_store::append(const text_ref& more) {
    more.visit([this](auto chars) { take_in(chars); });
    tell_of_drop();
}

// A piece at a time, none past the end of a segment.
template <class character> void output_store::take_in(std::basic_string_view<character> chars) {
    while (!chars.empty()) {
        size_t used = size() & (segment_length() - 1);
        if (used == 0) {
            make_room(segment_length());
            segments_.emplace_back(segment_length());
        }
        auto part = chars.substr(0, segment_length() - used);
        if (!segments_.back().takes(part)) {
            // The wide copy takes twice the narrow one, which then goes.
            make_room(segment_length() * sizeof(char16_t));
            segments_.back().widen();
        }
        if (lines_.memory_bytes() + line_index::most_bytes_for(part.size()) > line_budget_) spill();
        segments_.back().append(part);
        lines_.add(part);
        chars.remove_prefix(part.size());
    }
}

// The notice follows what this call appended, which it thus never splits.
void output_store::tell_of_drop() {
    if (drop_notice_.empty()) return;
    text notice;
    if (line_start(line_count() - 1) < size()) notice = u"\r\n";
    notice += drop_notice_;
    drop_notice_.clear();
    take_in(text_view(notice));
}

void output_store::make_room(size_t bytes) {
    if (text_bytes() + bytes > text_budget_) spill();
}

size_t output_store::text_bytes() const {
    size_t bytes = segments_.capacity() * sizeof(output_segment);
    for (const output_segment& segment : segments_)
        bytes += segment.memory_bytes();
    return bytes;
}

void output_store::spill() {
    // Half the characters and half the lines at least, up to a line start where one follows.
    size_t to = spilled_ + (size() - spilled_) / 2;
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
    size_t gone = (to >> segment_bits_) - first_segment_;
    segments_.erase(segments_.begin(), segments_.begin() + static_cast<std::ptrdiff_t>(gone));
    first_segment_ += gone;
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
    error = move_text_to_disk(to);
    if (error) return error;
    std::array<uint64_t, starts_at_a_time> starts{};
    size_t end = lines_.first_line_from(to);
    for (size_t line = lines_.first_line(); line < end && !error; line += starts_at_a_time) {
        size_t count = std::min(starts_at_a_time, end - line);
        lines_.copy_starts(line, count, starts.data());
        error = line_file_->write_at((line - lines_origin_) * sizeof(uint64_t), starts.data(),
                                     count * sizeof(uint64_t));
    }
    return error;
}

// A segment widened since part of it went to disk goes there again whole, as memory holds it.
os_error output_store::move_text_to_disk(size_t to) {
    size_t origin = text_origin_ >> segment_bits_;
    for (size_t from = spilled_; from < to;) {
        size_t index = from >> segment_bits_, segment_start = index << segment_bits_;
        const output_segment& segment = segment_of(from);
        size_t slot = index - origin;
        if (slot == wide_on_disk_.size()) wide_on_disk_.push_back(segment.is_wide());
        if (wide_on_disk_[slot] != segment.is_wide()) {
            from = std::max(segment_start, text_origin_);
            wide_on_disk_[slot] = segment.is_wide();
        }
        size_t end = std::min(to, segment_start + segment_length());
        size_t width = segment.width();
        os_error error = text_file_->write_at(
            (slot << segment_bits_) * sizeof(char16_t) + (from - segment_start) * width,
            segment.bytes_at(from - segment_start), (end - from) * width);
        if (error) return error;
        from = end;
    }
    return {};
}

void output_store::read_from_disk(size_t from, size_t to, char16_t* into) const {
    size_t origin = text_origin_ >> segment_bits_;
    std::vector<uint8_t> narrow;
    while (from < to) {
        size_t index = from >> segment_bits_, segment_start = index << segment_bits_;
        size_t slot = index - origin, end = std::min(to, segment_start + segment_length());
        uint64_t at = (slot << segment_bits_) * sizeof(char16_t);
        if (wide_on_disk_[slot]) {
            text_file_->read_at(at + (from - segment_start) * sizeof(char16_t), into,
                                (end - from) * sizeof(char16_t));
        } else {
            narrow.resize(end - from);
            text_file_->read_at(at + (from - segment_start), narrow.data(), narrow.size());
            std::copy(narrow.begin(), narrow.end(), into);
        }
        into += end - from;
        from = end;
    }
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
    wide_on_disk_.clear();
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
    if (offset >= spilled_) return segment_of(offset)[offset & (segment_length() - 1)];
    char16_t c = 0;
    read_from_disk(offset, offset + 1, &c);
    return c;
}

text output_store::read(size_t from, size_t to) const {
    from = std::max(from, dropped_);
    if (to <= from) return {};
    text chars(to - from, u'\0');
    size_t disk_end = from < spilled_ ? std::min(to, spilled_) : from;
    read_from_disk(from, disk_end, chars.data());
    for (size_t at = disk_end; at < to;) {
        size_t segment_start = at & ~(segment_length() - 1);
        size_t end = std::min(to, segment_start + segment_length());
        segment_of(at).copy(at - segment_start, end - segment_start, chars.data() + (at - from));
        at = end;
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
    return text_bytes() + lines_.memory_bytes();
}

} // namespace tovl
