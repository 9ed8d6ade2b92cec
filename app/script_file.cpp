// Script files: read whole, then decoded in the encoding their run will use.
#include "app/script_file.h"

#include "interp/script_text.h"
#include "platform/linux_files.h"

#include <cstring>

namespace tovl {

loaded_script load_script(const std::string& path, std::optional<text_encoding> forced) {
    file_bytes_read file = read_file_bytes(path);
    if (file.error) return {text(), text_encoding::utf8, file.error};
    decoded_script script = decode_script(file.bytes, forced);
    return {std::move(script.content), script.encoding, std::nullopt};
}

std::optional<encoding_option> parse_encoding_option(const char* argument) {
    constexpr char prefix[] = "--encoding=";
    if (std::strncmp(argument, prefix, sizeof prefix - 1) != 0) return std::nullopt;
    std::optional<text_encoding> encoding = encoding_named(argument + sizeof prefix - 1);
    return encoding_option{encoding};
}

} // namespace tovl
