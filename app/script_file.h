// Reading the script file of a run, and the option that chooses its encoding.
#pragma once

#include "interp/run_error.h"
#include "interp/text.h"
#include "interp/text_encoding.h"

#include <optional>
#include <string>

namespace tovl {

// The script of a run, read and decoded with the encoding that the run then uses for its
// files and command lines; or the error that kept it from being read.
struct loaded_script {
    text content;
    text_encoding encoding = text_encoding::utf8;
    std::optional<run_error> error;
};
loaded_script load_script(const std::string& path, std::optional<text_encoding> forced);

// "cannot read PATH: REASON", for a script that load_script could not read; a folder or a
// device is named as such.
text cannot_read_message(const std::string& path, const run_error& error);

// The paragraph of both runners' --help on how a script is read.
inline constexpr char script_reading_help[] =
    "A script that is valid UTF-8 is read as UTF-8, any other as Windows-1252; the run\n"
    "reads and writes files, file names and command lines in the same encoding. A script\n"
    "with no carriage return ends its lines at LF, any other at CR LF.\n"
    "\n";

// An argument "--encoding=NAME": the encoding NAME names, or nothing when it names none.
struct encoding_option {
    std::optional<text_encoding> encoding;
};
// Nothing for any other argument.
std::optional<encoding_option> parse_encoding_option(const char* argument);

} // namespace tovl
