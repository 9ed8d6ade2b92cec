// Start-up: the one-time fallback run.
#include "app/startup.h"

namespace tovl {

run_outcome run_with_fallback(interpreter& interpreter, text_view script,
                              const fallback_notice& notice) {
    run_outcome first = interpreter.run(script);
    if (first.end != run_end::failed) return first;
    notice(first.error);
    return interpreter.run(script);
}

} // namespace tovl
