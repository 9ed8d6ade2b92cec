// Script files: read whole, then decoded in the encoding their run will use.
#include "app/script_file.h"

#include "interp/script_text.h"
#include "interp/utf8.h"
#include "platform/linux_files.h"

#include <sys/stat.h>

namespace tovl {

loaded_script load_script(const std::string& path, std::optional<text_encoding> forced) {
    std::string bytes;
    if (os_error error = read_file_bytes(path, bytes)) {
        return {text(), text_encoding::utf8, to_run_error(error)};
    }
    decoded_script script = decode_script(bytes, forced);
    return {std::move(script.content), script.encoding, std::nullopt};
}

text cannot_read_message(const std::string& path, const run_error& error) {
    text message = u"cannot read " + from_utf8(path) + u": ";
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) {
        return message + from_ascii(error.description());
    }
    return message + (S_ISDIR(info.st_mode) ? u"it is a folder, not a script file"
                                            : u"it is a device, pipe or socket, not a script file");
}

} // namespace tovl
