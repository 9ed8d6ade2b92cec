// Start-up: Main reads the script named on the command line and runs it, with its fallback.
#pragma once

#include "host/hostwindow.h"
#include "interp/interpreter.h"
#include "interp/runerror.h"
#include "interp/text.h"

#include <cstdint>
#include <functional>

namespace tovl {

// Called when the fallback is entered, before the second run. `inrun` is false when the error
// came from start-up itself (no usable argument, a script that cannot be read).
using fallbacknotice = std::function<void(const runerror& error, bool inrun)>;

// Takes the script path from the argument text (its first and last characters, normally the
// quotes, are dropped), loads the script, shows the window and runs it. A run-time error in
// start-up or the first run enters the fallback, which runs the script once more; an error
// in that second run leaves Main for the executable's fatal report. "fendp" leaves Main as
// programend.
void Main(interpreter& interp, hostwindow& host, textview argumenttext,
          const fallbacknotice& notice, textfiles& files = textfiles::process());

// Copies the file `source` to `destination`; with failifexists 0 an existing destination is
// replaced. True when the copy was made; never raises.
bool copyfile(textview source, textview destination, int16_t failifexists);

} // namespace tovl
