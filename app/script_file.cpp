// Script files: read whole within the memory budget, then decoded in the encoding of their run.
#include "app/script_file.h"

#include "interp/memory_budget.h"
#include "interp/run_error.h"
#include "interp/script_text.h"
#include "interp/utf8.h"
#include "platform/linux_files.h"

#include <cerrno>
#include <new>
#include <sys/stat.h>

namespace tovl {

namespace {

text reason_not_read(const std::string& path, const os_error& error) {
    struct stat info {};
    if (error.number == EFBIG) {
        return u"it is larger than the memory budget of a run allows (--max-memory)";
    }
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) {
        return from_ascii(error_description(run_error_kind(error)));
    }
    return S_ISDIR(info.st_mode) ? u"it is a folder, not a script file"
                                 : u"it is a device, pipe or socket, not a script file";
}

} // namespace

script_bytes read_script_bytes(const std::string& path) {
    script_bytes script;
    text reason;
    try {
        if (os_error error =
                read_file_bytes(path, script.bytes, memory_budget::room_for_decoding())) {
            reason = reason_not_read(path, error);
        } else if (looks_like_utf16(script.bytes)) {
            reason = u"it is UTF-16 text; save it as UTF-8 (an editor's \"Save as\", or iconv -f "
                     u"UTF-16 -t UTF-8)";
        }
    } catch (const std::bad_alloc&) {
        reason = u"there is not enough memory to read it";
    }
    if (!reason.empty()) {
        script.bytes.clear();
        script.problem = u"cannot read " + from_utf8(path) + u": " + reason;
    }
    return script;
}

loaded_script load_script(const std::string& path, std::optional<text_encoding> forced,
                          bool keep_bytes) {
    script_bytes read = read_script_bytes(path);
    if (read.problem) return {compact_text(), text_encoding::utf8, std::move(read.problem), {}};
    compact_script script = decode_compact_script(read.bytes, forced);
    return {std::move(script.content), script.encoding, std::nullopt,
            keep_bytes ? std::move(read.bytes) : std::string()};
}

} // namespace tovl
