// Start-up shared by tovl and tovl-console: the script and its encoding, and the run with its
// fallback.
#pragma once

#include "interp/interpreter.h"
#include "interp/run_error.h"
#include "interp/text.h"
#include "interp/text_encoding.h"

#include <functional>
#include <optional>
#include <string>

namespace tovl {

// The script path in the argument text the window receives: its first and last characters,
// normally the double quotes around the path, are dropped. Shorter texts name no script.
std::optional<text> script_path_from_argument_text(text_view argument_text);

// The script of a run, read and decoded with the encoding that the run then uses for its
// files and command lines; or the error that kept it from being read.
struct loaded_script {
    text content;
    text_encoding encoding = text_encoding::utf8;
    std::optional<run_error> error;
};
loaded_script load_script(const std::string& path, std::optional<text_encoding> forced);

// An argument "--encoding=NAME": the encoding NAME names, or nothing when it names none.
struct encoding_option {
    std::optional<text_encoding> encoding;
};
// Nothing for any other argument.
std::optional<encoding_option> parse_encoding_option(const char* argument);

// Called when the first run failed, before the script runs again.
using fallback_notice = std::function<void(const run_error& error)>;

// Runs the script; a run-time error in this first run makes it run once more from its first
// line, with the variables, the layout and the output it left. The outcome is that of the last
// run: an error in the second run is the program's fatal error.
run_outcome run_with_fallback(interpreter& interpreter, text_view script,
                              const fallback_notice& notice);

} // namespace tovl
