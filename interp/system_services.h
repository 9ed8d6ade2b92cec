// system_services: how scripts reach the machine: launching programs and the CD tray.
#pragma once

#include "interp/text.h"

#include <cstdint>
#include <string>

namespace tovl {

// How a launched program's window should appear. A Linux process has no such setting; the
// style is passed on so that rehearsals can show it.
enum class window_style : int16_t { normal = 1, minimized = 2 };

class system_services {
  public:
    virtual ~system_services() = default;

    // Starts a command line and returns at once, without waiting for the program. The
    // shutdown is reached this way too, with the command line "shutdown -s -f -t N". A program
    // that cannot be found or run is a run-time error.
    virtual void launch(text_view command_line, window_style style) = 0;

    // Sends a media command string ("set CDAudio door open" or "set CDAudio door closed").
    // Failures are silent.
    virtual void send_media_command(const std::string& command) = 0;
};

} // namespace tovl
