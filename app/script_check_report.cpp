// Reading scripts for --check and writing what the checker finds in them.
#include "app/script_check_report.h"

#include "app/script_file.h"
#include "check/script_check.h"
#include "commands/commands.h"
#include "host/terminal_text.h"
#include "interp/script_text.h"
#include "interp/utf8.h"
#include "platform/descriptors.h"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace tovl {

namespace {

// Findings go to standard error as the run writes its messages there: on a terminal, control
// characters in a line, a name or a message are shown rather than obeyed.
struct report_writer {
    control_characters controls =
        ::isatty(STDERR_FILENO) == 1 ? control_characters::shown : control_characters::kept;

    // Standard error: there is nowhere to report a failure to write to it.
    void write(const text& said) const {
        (void)write_all(STDERR_FILENO, terminal_text(said, controls));
    }

    // The line with line breaks inside it shown as blanks, and a caret under the column,
    // padded with the line's own tabs and as wide as each unit shows (its characters counted by
    // their UTF-8 lead bytes: each half of an emoji alone is one, and an emoji shows two wide),
    // so that it lines up.
    text shown_line(text_view line, int column) const {
        text flat(line);
        std::replace(flat.begin(), flat.end(), u'\r', u' ');
        std::replace(flat.begin(), flat.end(), u'\n', u' ');
        text out = flat + u"\n";
        for (size_t i = 0; i + 1 < static_cast<size_t>(column); ++i) {
            bool tab = i < flat.size() && flat[i] == u'\t';
            std::string shown =
                i < flat.size() ? terminal_text(text_view(flat).substr(i, 1), controls) : " ";
            auto width = static_cast<size_t>(std::count_if(
                shown.begin(), shown.end(), [](char b) { return (b & 0xC0) != 0x80; }));
            out.append(tab ? 1 : width, tab ? u'\t' : u' ');
        }
        return out + u"^\n";
    }
};

struct check_totals {
    int errors = 0;
    int warnings = 0;
    bool unreadable = false;
};

void check_one(const report_writer& out, const std::string& path,
               std::optional<text_encoding> forced, check_totals& totals) {
    script_bytes read = read_script_bytes(path);
    if (read.problem) {
        out.write(u"tovl-console: " + *read.problem + u"\n");
        totals.unreadable = true;
        return;
    }
    const std::string& bytes = read.bytes;
    decoded_script script = decode_script(bytes, forced);
    std::vector<diagnostic> found =
        check_script(bytes, script, forced.has_value(), &commands::every_command());
    std::vector<text_view> lines = split_lines(script.content);
    for (const diagnostic& d : found) {
        bool error = d.level == check_level::error;
        (error ? totals.errors : totals.warnings) += 1;
        text report = from_utf8(path + ":" + std::to_string(d.line) + ":" +
                                std::to_string(d.column) + (error ? ": error: " : ": warning: ")) +
                      d.message + u"\n";
        if (static_cast<size_t>(d.line) <= lines.size())
            report += out.shown_line(lines[d.line - 1], d.column);
        out.write(report);
    }
}

text counted(int n, const char* what) {
    return from_utf8(std::to_string(n) + " " + what + (n == 1 ? "" : "s"));
}

} // namespace

int check_script_files(const std::vector<std::string>& paths, std::optional<text_encoding> forced,
                       bool warnings_are_errors) {
    report_writer out;
    check_totals totals;
    for (const std::string& path : paths)
        check_one(out, path, forced, totals);
    if (totals.errors + totals.warnings > 0) {
        out.write(u"tovl-console: " + counted(totals.errors, "error") + u", " +
                  counted(totals.warnings, "warning") + u" in " +
                  counted(static_cast<int>(paths.size()), "script") + u"\n");
    }
    if (totals.unreadable) return 2;
    if (totals.errors > 0 || (warnings_are_errors && totals.warnings > 0)) return 1;
    return 0;
}

} // namespace tovl
