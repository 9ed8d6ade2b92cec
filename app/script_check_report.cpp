// Reading scripts for --check and writing what the checker finds in them.
#include "app/script_check_report.h"

#include "app/script_file.h"
#include "check/script_check.h"
#include "interp/script_text.h"
#include "interp/utf8.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace tovl {

namespace {

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
    script_bytes read = read_script_bytes(path);
    if (read.problem) {
        std::fprintf(stderr, "tovl-console: %s\n", to_utf8(*read.problem).c_str());
        totals.unreadable = true;
        return;
    }
    const std::string& bytes = read.bytes;
    decoded_script script = decode_script(bytes, forced);
    std::vector<diagnostic> found = check_script(bytes, script, forced.has_value());
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
