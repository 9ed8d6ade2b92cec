// Script decoding, line splitting at CR LF or LF, and the mixed line-end check.
#include "interp/script_text.h"

#include "interp/text_encoding.h"
#include "interp/utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace tovl {

bool looks_like_utf16(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return true;
    // The zeros of the first characters: all on one side of each pair, at least one in three
    // pairs (a text of letters has one in every pair; a UTF-8 script has none at all).
    constexpr size_t looked_at = 4096;
    std::string_view start = bytes.substr(0, looked_at);
    size_t pairs = start.size() / 2;
    size_t zeros[2] = {0, 0};
    for (size_t i = 0; i < pairs * 2; ++i)
        zeros[i % 2] += start[i] == '\0';
    return pairs > 0 && (zeros[0] == 0) != (zeros[1] == 0) && (zeros[0] + zeros[1]) * 3 >= pairs;
}

namespace {

// The encoding a script is read in, its byte-order mark taken off `bytes`.
text_encoding script_encoding(std::string_view& bytes, std::optional<text_encoding> forced) {
    bool marked = starts_with_byte_order_mark(bytes);
    if (marked) bytes.remove_prefix(byte_order_mark.size());
    return forced                           ? *forced
           : marked || is_valid_utf8(bytes) ? text_encoding::utf8
                                            : text_encoding::windows_1252;
}

// The split and the line-end check run before every run, on scripts of tens of thousands of
// lines: both go from line feed to line feed, which a one-byte script finds with memchr.
template <class unit> const unit* find_unit(const unit* from, const unit* end, unit wanted) {
    if constexpr (sizeof(unit) == 1) {
        const void* at = std::memchr(from, wanted, static_cast<size_t>(end - from));
        return at != nullptr ? static_cast<const unit*>(at) : end;
    } else {
        return std::find(from, end, wanted);
    }
}

// The line-end rule: a script with a CR anywhere ends its lines at CR LF only, and any other CR
// or LF stays in its line; a script without one ends them at LF.
template <class unit> bool ends_lines_at_cr_lf(const unit* start, const unit* end) {
    return find_unit(start, end, unit('\r')) != end;
}
// Whether the LF at `at` is the end of a CR LF.
template <class unit> bool ends_cr_lf(const unit* start, const unit* at) {
    return at != start && at[-1] == unit('\r');
}

// Calls reserve(count) with the number of lines, then take(first, length) for each line in
// order; returns the length of the script's line ends, 2 for CR LF and 1 for LF. An empty script
// has no lines.
template <class chars, class reserve_lines, class take_line>
size_t each_line(chars script, reserve_lines reserve, take_line take) {
    using unit = typename chars::value_type;
    if (script.empty()) return 1;
    const unit* const start = script.data();
    const unit* const end = start + script.size();
    auto place = [start](const unit* at) { return static_cast<size_t>(at - start); };
    auto next_lf = [end](const unit* from) { return find_unit(from, end, unit('\n')); };
    // Room for every line at once: each line but the last ends in an LF, CR LF or not.
    size_t count = 1;
    for (const unit* at = next_lf(start); at != end; at = next_lf(at + 1))
        ++count;
    reserve(count);
    const size_t line_end = ends_lines_at_cr_lf(start, end) ? 2 : 1;
    const unit* line = start;
    for (const unit* at = next_lf(start); at != end; at = next_lf(at + 1)) {
        if (line_end == 1 || ends_cr_lf(start, at)) {
            take(place(line), place(at) + 1 - line_end - place(line));
            line = at + 1;
        }
    }
    take(place(line), place(end) - place(line));
    return line_end;
}

template <class chars> bool mixes_line_ends_in(chars script) {
    using unit = typename chars::value_type;
    const unit* const start = script.data();
    const unit* const end = start + script.size();
    if (!ends_lines_at_cr_lf(start, end)) return false;
    for (const unit* at = find_unit(start, end, unit('\n')); at != end;
         at = find_unit(at + 1, end, unit('\n'))) {
        if (!ends_cr_lf(start, at)) return true;
    }
    return false;
}

} // namespace

decoded_script decode_script(std::string_view bytes, std::optional<text_encoding> forced) {
    text_encoding encoding = script_encoding(bytes, forced);
    return {decode_text(encoding, bytes), encoding};
}

compact_script decode_compact_script(std::string_view bytes, std::optional<text_encoding> forced) {
    text_encoding encoding = script_encoding(bytes, forced);
    compact_script script{compact_text(), encoding};
    script.content.reserve(bytes.size());
    // A piece at a time, so that no wide copy of the whole script is ever held; a UTF-8
    // character cut by a piece's end waits for the next piece, as the file reader does it.
    constexpr size_t piece = size_t(1) << 16;
    while (!bytes.empty()) {
        size_t length = std::min(piece, bytes.size());
        if (encoding == text_encoding::utf8 && length < bytes.size())
            length -= incomplete_utf8_tail(bytes.substr(0, length));
        append_decoded(script.content, encoding, bytes.substr(0, length));
        bytes.remove_prefix(length);
    }
    return script;
}

std::vector<text_view> split_lines(text_view script) {
    std::vector<text_view> lines;
    each_line(
        script, [&](size_t count) { lines.reserve(count); },
        [&](size_t first, size_t length) { lines.push_back(script.substr(first, length)); });
    return lines;
}

script_lines::script_lines(text_ref script) : script_(script) {
    // Past 4 GiB the starts would not fit their four bytes; no script of 32,767 lines needs it.
    if (script.size() > UINT32_MAX - 2) throw std::bad_alloc();
    line_end_ = static_cast<uint32_t>(script.visit([&](auto chars) {
        return each_line(
            chars, [&](size_t count) { starts_.reserve(count + 1); },
            [&](size_t first, size_t) { starts_.push_back(static_cast<uint32_t>(first)); });
    }));
    starts_.push_back(static_cast<uint32_t>(script.size()) + line_end_);
}

bool mixes_line_ends(text_ref script) {
    return script.visit([](auto chars) { return mixes_line_ends_in(chars); });
}

} // namespace tovl
