// run_state: what the command handlers work on: the services, the variables and the run's flow.
#pragma once

#include "interp/file_services.h"
#include "interp/keyword.h"
#include "interp/operands.h"
#include "interp/random_source.h"
#include "interp/script_host.h"
#include "interp/system_services.h"
#include "interp/text.h"
#include "interp/variable_table.h"

#include <array>
#include <cstdint>

namespace tovl {

// The outside world of a run, owned by whoever starts the interpreter.
struct run_services {
    script_host& host;
    system_services& system;
    file_services& files;
    random_source& random;
};

// What the runner keeps for a line that its handler runs more than once: what was read from
// its operand fields.
struct line_cache {
    field_cache fields;
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
    bool skipping = false;         // set by a failing "fifvr", cleared by "endif"
    int16_t line_counter = 0;      // 0-based index of the line being run; "fgoto" sets it
    bool end_requested = false;    // set by "fendp": the run ends after this line
    line_cache* current = nullptr; // the cache of the line being run, when it has one

    // The operand fields of the line being run.
    operands fields(text_view line) {
        return operands(variables, line, current ? &current->fields : nullptr);
    }
};

// A keyword's handler: reads its operands from the whole line, checks, then changes state.
// Errors are raised as run_error.
using command_handler = void (*)(run_state& state, text_view line);
using command_table = std::array<command_handler, keyword_count>;

} // namespace tovl
