// Start-up: the script path of the argument text, loading the script, the one-time fallback run.
#include "app/startup.h"

#include "interp/script_text.h"
#include "platform/linux_files.h"

#include <cstring>

namespace tovl {

std::optional<text> script_path_from_argument_text(text_view argument_text) {
    if (argument_text.size() < 2) return std::nullopt;
    return text(argument_text.substr(1, argument_text.size() - 2));
}

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

run_outcome run_with_fallback(interpreter& interpreter, text_view script,
                              const fallback_notice& notice) {
    run_outcome first = interpreter.run(script);
    if (first.end != run_end::failed) return first;
    notice(first.error);
    return interpreter.run(script);
}

} // namespace tovl
