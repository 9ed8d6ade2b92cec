// The checker's trial: runs the part of a script that needs nothing from outside on the real
// core, to find the run-time errors and the loops that never end before any input is read.
#pragma once

#include "check/diagnostic.h"
#include "interp/run_loop.h"
#include "interp/text.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace tovl {

// How far a trial goes: lines run in all (both runs), and time; and how many lines run between
// two looks at the state while no repeat has been seen. A look compares the variable table, so
// it is made seldom; a loop is still found, as a state that repeats every k lines also repeats
// every `look_every` times k.
struct trial_limits {
    uint64_t lines = uint64_t(1) << 27;
    double seconds = 10.0;
    uint32_t look_every = 1024;
    // Asked at each look: true ends the trial at once, finding nothing (an editor's server
    // stops it when the script changes).
    std::function<bool()> interrupted;
};

// Runs the script with `commands` and a world that shows nothing, asks nothing and touches
// nothing, until its first line whose result comes from outside (a question, a random number,
// a file, a program, the tray or a shutdown) or a limit. Finds:
//   - the first run-time error, as an error at its line with the cause the run gives, and what
//     the second run, which starts from line 1 with the variables the first left, then does;
//   - a loop whose state (line, variables, layout, skip flag) repeats exactly, as a warning at
//     the jump that closes it, saying why it repeats.
// A trial that ends at a limit or out of memory finds nothing: only what is certain is said.
std::vector<diagnostic> try_script(text_view script, const command_set& commands,
                                   const trial_limits& limits = {});

} // namespace tovl
