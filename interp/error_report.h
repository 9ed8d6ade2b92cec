// The one place that words run-time errors for users.
#pragma once

#include "interp/run_error.h"
#include "interp/text.h"
#include "interp/text_ref.h"

namespace tovl {

// "Run-time error N: Description", then "line N: <the line>" (1-based) when the error arose in
// a script line, then the error's cause when it has one, then the line-end hint when the
// script mixes CR LF and bare line feeds. Lines are joined with LF.
text fatal_report(const run_error& error, text_ref script);

// One line saying the first run failed, and why, and that the script runs again.
text fallback_report(const run_error& error, text_ref script);

// One line for a status line: "Stopped at line L by run-time error N: Description", without
// "at line L" when the error arose outside a script line.
text stop_notice(const run_error& error);

// "N Description", as the file commands show their errors.
text error_number_text(const run_error& error);

// A file command's report: "N Description", then a line with the cause (or the file's name)
// and the script line, 1-based, with its text.
text file_command_report(const run_error& error, text_view file_name, int line, text_view text);

// The warning for scripts that end their lines with CR LF and also hold bare line feeds.
extern const char16_t line_feed_hint[];

} // namespace tovl
