// systemlayer: the operations by which scripts reach the machine: launching programs and
// sending media-control commands.
#pragma once

#include "interp/text.h"

#include <cstdint>
#include <string>

namespace tovl {

class systemlayer {
  public:
    virtual ~systemlayer() = default;

    // Starts a command line and returns at once, without waiting for the program. The window
    // style (1 normal, 2 minimized, both with focus) has no meaning for a Linux process and is
    // accepted as it is. A program that cannot be found or run is a run-time error.
    virtual void launch(textview commandline, int16_t windowstyle) = 0;

    // Sends a media-control command string (8-bit text). Failures are silent.
    virtual void mcisend(const std::string& command) = 0;
};

} // namespace tovl
