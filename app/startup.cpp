// Start-up: the script path of the argument text and the one-time fallback run.
#include "app/startup.h"

namespace tovl {

std::optional<text> script_path_from_argument_text(text_view argument_text) {
    if (argument_text.size() < 2) return std::nullopt;
    return text(argument_text.substr(1, argument_text.size() - 2));
}

run_outcome run_with_fallback(interpreter& interpreter, text_view script,
                              const fallback_notice& notice) {
    run_outcome first = interpreter.run(script);
    if (first.end != run_end::failed) return first;
    notice(first.error);
    return interpreter.run(script);
}

} // namespace tovl
