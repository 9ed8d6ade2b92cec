// Start-up shared by tovl and tovl-console: the run with its fallback.
#pragma once

#include "interp/interpreter.h"
#include "interp/run_error.h"
#include "interp/text.h"

#include <functional>

namespace tovl {

// Called when the first run failed, before the script runs again.
using fallback_notice = std::function<void(const run_error& error)>;

// Runs the script; a run-time error in this first run makes it run once more from its first
// line, with the variables, the layout and the output it left. The outcome is that of the last
// run: an error in the second run is the program's fatal error.
run_outcome run_with_fallback(interpreter& interpreter, text_view script,
                              const fallback_notice& notice);

} // namespace tovl
