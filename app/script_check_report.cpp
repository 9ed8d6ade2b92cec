// Reading scripts for --check, the findings that need their bytes, and writing the diagnostics.
#include "app/script_check_report.h"

#include "interp/error_report.h"
#include "interp/script_check.h"
#include "interp/script_text.h"
#include "interp/utf8.h"
#include "platform/linux_files.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

namespace tovl {

namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

std::string hex_byte(unsigned char byte) {
    const char digits[] = "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 0xF]};
}

// A place in the script's text as a 1-based line and column, lines split as the run splits them.
struct text_place {
    int line;
    int column;
};

text_place place_of(const std::vector<text_view>& lines, const char16_t* at) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (at >= lines[i].data() && at <= lines[i].data() + lines[i].size())
            return {static_cast<int>(i) + 1, static_cast<int>(at - lines[i].data()) + 1};
    }
    return {1, 1};
}

// What the bytes say that the decoded text no longer does: a byte-order mark, the encoding the
// run will choose and the bytes that do not fit it, and line ends of two kinds.
std::vector<diagnostic> byte_findings(std::string_view bytes, const decoded_script& script,
                                      bool forced) {
    std::vector<diagnostic> found;
    std::vector<text_view> lines = split_lines(script.content);
    bool marked = bytes.substr(0, byte_order_mark.size()) == byte_order_mark;
    if (marked) {
        found.push_back({1, 1, check_level::warning,
                         u"the script starts with a byte-order mark (bytes EF BB BF), which TOVL "
                         u"skips; other tools may not: save the script as UTF-8 without it"});
    }
    if (script.encoding == text_encoding::windows_1252 && !forced) {
        // Read as Windows-1252 one byte to one character, so a byte's offset is its place.
        size_t first_bad = std::string_view::npos;
        bool has_utf8 = false;
        for (size_t i = 0; i < bytes.size();) {
            size_t length = utf8_sequence_length(bytes.substr(i));
            if (length > 1) has_utf8 = true;
            if (length == 1 && static_cast<unsigned char>(bytes[i]) >= 0x80 &&
                first_bad == std::string_view::npos)
                first_bad = i;
            i += length;
        }
        if (has_utf8) {
            text_place at = place_of(lines, script.content.data() + first_bad);
            found.push_back({at.line, at.column, check_level::warning,
                             u"byte " + from_ascii(hex_byte(bytes[first_bad])) +
                                 u" is not UTF-8, so the whole script is read as Windows-1252, "
                                 u"and its UTF-8 letters elsewhere show as two or three odd "
                                 u"characters each: write this character in UTF-8, or run with "
                                 u"--encoding=utf-8"});
        }
    }
    if (script.encoding == text_encoding::utf8) {
        for (text_view line : lines) {
            const auto* bad = std::find_if(line.begin(), line.end(), is_escaped_byte);
            if (bad == line.end()) continue;
            text_place at = place_of(lines, line.data() + (bad - line.begin()));
            auto byte = static_cast<unsigned char>(*bad - escaped_byte_base);
            found.push_back({at.line, at.column, check_level::warning,
                             u"byte " + from_ascii(hex_byte(byte)) + u" is not UTF-8: the script " +
                                 (forced ? u"runs in UTF-8 (--encoding=utf-8)"
                                         : u"runs in UTF-8 (it starts with a byte-order mark)") +
                                 u", so this byte stays a byte of its own and shows as a "
                                 u"replacement mark: write the character in UTF-8"});
        }
    }
    if (mixes_line_ends(script.content)) {
        const text& content = script.content;
        for (size_t i = 0; i < content.size(); ++i) {
            if (content[i] != u'\n' || (i > 0 && content[i - 1] == u'\r')) continue;
            text_place at = place_of(lines, content.data() + i);
            found.push_back({at.line, at.column, check_level::warning, text(line_feed_hint)});
            break;
        }
    }
    return found;
}

// The line as the console writes text, with line breaks inside it shown as blanks, and a caret
// under the column, padded with the line's own tabs so that it lines up.
std::string shown_line(text_view line, int column) {
    text shown(line);
    std::replace(shown.begin(), shown.end(), u'\r', u' ');
    std::replace(shown.begin(), shown.end(), u'\n', u' ');
    std::string out = to_utf8(shown) + "\n";
    for (int i = 0; i + 1 < column; ++i) {
        out += static_cast<size_t>(i) < line.size() && line[i] == u'\t' ? '\t' : ' ';
    }
    return out + "^\n";
}

struct check_totals {
    int errors = 0;
    int warnings = 0;
    bool unreadable = false;
};

void check_one(const char* path, std::optional<text_encoding> forced, check_totals& totals) {
    file_bytes_read file = read_file_bytes(path);
    if (file.error) {
        std::fprintf(stderr, "tovl-console: cannot read %s: %s\n", path, file.error->description());
        totals.unreadable = true;
        return;
    }
    decoded_script script = decode_script(file.bytes, forced);
    std::vector<diagnostic> found = byte_findings(file.bytes, script, forced.has_value());
    for (diagnostic& d : check_script(script.content))
        found.push_back(std::move(d));
    std::stable_sort(found.begin(), found.end(), [](const diagnostic& a, const diagnostic& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    std::vector<text_view> lines = split_lines(script.content);
    for (const diagnostic& d : found) {
        bool error = d.level == check_level::error;
        (error ? totals.errors : totals.warnings) += 1;
        std::string report = std::string(path) + ":" + std::to_string(d.line) + ":" +
                             std::to_string(d.column) + (error ? ": error: " : ": warning: ") +
                             to_utf8(d.message) + "\n";
        if (static_cast<size_t>(d.line) <= lines.size())
            report += shown_line(lines[d.line - 1], d.column);
        std::fputs(report.c_str(), stderr);
    }
}

std::string counted(int n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

} // namespace

int check_script_files(const std::vector<std::string>& paths, std::optional<text_encoding> forced,
                       bool warnings_are_errors) {
    check_totals totals;
    for (const std::string& path : paths)
        check_one(path.c_str(), forced, totals);
    if (totals.errors + totals.warnings > 0) {
        std::fprintf(stderr, "tovl-console: %s, %s in %s\n",
                     counted(totals.errors, "error").c_str(),
                     counted(totals.warnings, "warning").c_str(),
                     counted(static_cast<int>(paths.size()), "script").c_str());
    }
    if (totals.unreadable) return 2;
    if (totals.errors > 0 || (warnings_are_errors && totals.warnings > 0)) return 1;
    return 0;
}

} // namespace tovl
