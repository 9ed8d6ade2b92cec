// Reading the script file of a run.
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

} // namespace tovl
