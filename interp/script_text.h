// Reading a script: its encoding and byte-order mark, its lines, and its line-end check.
#pragma once

#include "interp/text.h"
#include "interp/text_block.h"
#include "interp/text_encoding.h"
#include "interp/text_ref.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tovl {

// The UTF-8 byte-order mark, which some editors put at the start of a script.
inline constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

constexpr bool starts_with_byte_order_mark(std::string_view bytes) {
    return bytes.starts_with(byte_order_mark);
}

// True for text saved as UTF-16, which no script is: it starts with a UTF-16 byte-order mark,
// or every other byte of its start is zero, as ASCII characters are in UTF-16.
bool looks_like_utf16(std::string_view bytes);

struct decoded_script {
    text content;
    text_encoding encoding;
};

// The script's text and the encoding of its run. Unless `forced`, a script that is valid UTF-8
// (or starts with the UTF-8 byte-order mark) is UTF-8, and any other was written in the older
// single-byte code page, Windows-1252. A byte-order mark at the start is not part of line 1.
decoded_script decode_script(std::string_view bytes, std::optional<text_encoding> forced);

// The same script kept as the runners keep it: one byte a character when its characters all fit
// (ASCII and Latin-1), so that a script of ASCII bytes is held at its own size.
struct compact_script {
    compact_text content;
    text_encoding encoding;
};
compact_script decode_compact_script(std::string_view bytes, std::optional<text_encoding> forced);

// The script's lines, empty ones included; an empty text has no lines. A script with a
// carriage return anywhere ends its lines at CR LF only, so that a bare LF stays inside its
// line; a script without one, as Linux editors write it, ends them at LF.
std::vector<text_view> split_lines(text_view script);
// The lines of a script in either form, by the same rule, as the runner takes them: where each
// line starts, four bytes a line, and the length of the line ends, which is the same for every
// line of a script. The script's characters must outlive it.
class script_lines {
  public:
    // A script of 4 GiB characters or more is more than the memory there is: bad_alloc.
    explicit script_lines(text_ref script);

    size_t size() const { return starts_.size() - 1; }
    bool empty() const { return size() == 0; }
    // Line `line` (0-based, below size()), without its line end.
    text_ref operator[](size_t line) const {
        uint32_t first = starts_[line];
        return script_.part(first, starts_[line + 1] - line_end_ - first);
    }

  private:
    text_ref script_;
    // Then one more: where a line after the last would start, past a line end it does not have.
    std::vector<uint32_t> starts_;
    uint32_t line_end_ = 1;
};

// True when the script ends its lines at CR LF but also holds a line feed without a carriage
// return: its author likely meant that line feed to end a line too, and it does not.
bool mixes_line_ends(text_ref script);

} // namespace tovl
