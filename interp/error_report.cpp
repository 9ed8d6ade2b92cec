// Wording of the run-time error reports: fatal, fallback, stop notice and file commands.
#include "interp/error_report.h"

#include "interp/script_text.h"

#include <string>

namespace tovl {

const char16_t line_feed_hint[] =
    u"this script ends its lines with CR LF but also holds line feeds without a carriage "
    u"return; those do not end a line, so the lines around them run as one. Save the script "
    u"with one kind of line end: LF only, as Linux editors write it (for example with "
    u"sed -i 's/\\r$//' SCRIPT), or CR LF only.";

namespace {

text headline(const run_error& error) {
    text out = u"Run-time error ";
    append_ascii(out, std::to_string(error.number()));
    out += u": ";
    append_ascii(out, error.description());
    return out;
}

void append_place(text& out, const run_error& error, text_ref script) {
    if (error.line() == run_error::no_line) return;
    script_lines lines(script);
    out += u"line ";
    append_ascii(out, std::to_string(error.line() + 1));
    if (static_cast<size_t>(error.line()) < lines.size()) {
        out += u": ";
        append_chars(out, lines[error.line()]);
    }
}

} // namespace

text fatal_report(const run_error& error, text_ref script) {
    text out = headline(error);
    if (error.line() != run_error::no_line) {
        out += u'\n';
        append_place(out, error, script);
    }
    if (!error.cause().empty()) {
        out += u'\n';
        out += error.cause();
    }
    if (mixes_line_ends(script)) {
        out += u'\n';
        out += line_feed_hint;
    }
    return out;
}

text fallback_report(const run_error& error, text_ref script) {
    text out = headline(error);
    if (error.line() != run_error::no_line) {
        out += u" in ";
        append_place(out, error, script);
    }
    if (!error.cause().empty()) {
        out += u"; ";
        out += error.cause();
    }
    out += u"; running the script again from its first line";
    return out;
}

text stop_notice(const run_error& error) {
    text out = u"Stopped";
    if (error.line() != run_error::no_line) {
        out += u" at line ";
        append_ascii(out, std::to_string(error.line() + 1));
    }
    out += u" by run-time error ";
    append_ascii(out, std::to_string(error.number()));
    out += u": ";
    append_ascii(out, error.description());
    return out;
}

text error_number_text(const run_error& error) {
    text out;
    append_ascii(out, std::to_string(error.number()));
    out += u' ';
    append_ascii(out, error.description());
    return out;
}

text file_command_report(const run_error& error, text_view file_name, int line,
                         text_view line_text) {
    text out = error_number_text(error) + u'\n';
    if (!error.cause().empty()) {
        out += error.cause();
    } else if (!file_name.empty()) {
        out += u"file \"" + text(file_name) + u'"';
    }
    if (out.back() != u'\n') out += u"; ";
    out += u"line ";
    append_ascii(out, std::to_string(line + 1));
    out += u": ";
    out += line_text;
    return out;
}

} // namespace tovl
