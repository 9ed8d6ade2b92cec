// run_state: what the command handlers work on: the services, the variables and the run's flow.
#pragma once

#include "interp/file_services.h"
#include "interp/random_source.h"
#include "interp/script_host.h"
#include "interp/system_services.h"
#include "interp/text.h"
#include "interp/text_ref.h"
#include "interp/variable_table.h"

#include <cstdint>

namespace tovl {

class script_lines;

// The outside world of a run, owned by whoever starts the interpreter.
struct run_services {
    script_host& host;
    system_services& system;
    file_services& files;
    random_source& random;
};

// The interpreter's state, handed to every handler. It lives as long as the interpreter: the
// variables, the layout and the skip flag carry over from a failed run into the next one.
struct run_state {
    explicit run_state(const run_services& services)
        : host(services.host), system(services.system), files(services.files),
          random(services.random) {}

    script_host& host;
    system_services& system;
    file_services& files;
    random_source& random;

    variable_table variables;
    bool skipping = false;      // set by a failing "fifvr", cleared by "endif"
    int16_t line_counter = 0;   // 0-based index of the line being run; "fgoto" sets it
    bool end_requested = false; // set by "fendp": the run ends after this line
    // The lines of the run in progress, for the handlers that read a line's text: the text of
    // "fsetv", and the fields that did not decode, on the error path.
    const script_lines* line_texts = nullptr;
};

} // namespace tovl
