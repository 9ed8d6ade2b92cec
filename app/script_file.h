// Reading the script file of a run.
#pragma once

#include "interp/text.h"
#include "interp/text_block.h"
#include "interp/text_encoding.h"

#include <optional>
#include <string>

namespace tovl {

// The bytes of a script file, or why they cannot be read: "cannot read PATH: REASON", where a
// folder, a device, a UTF-16 file and a file past the memory budget are each named as such.
struct script_bytes {
    std::string bytes;
    std::optional<text> problem;
};
script_bytes read_script_bytes(const std::string& path);

// The script of a run, read and decoded with the encoding that the run then uses for its
// files and command lines; or why it could not be read.
struct loaded_script {
    compact_text content; // one byte a character where the script's characters all fit
    text_encoding encoding = text_encoding::utf8;
    std::optional<text> problem;
    std::string bytes; // the bytes that were read and decoded, when asked for (to judge trust)
};
loaded_script load_script(const std::string& path, std::optional<text_encoding> forced,
                          bool keep_bytes = false);

} // namespace tovl
