// system_services: how scripts reach the machine: launching programs, the CD tray, shutdown.
#pragma once

#include "interp/text.h"

#include <cstdint>

namespace tovl {

// How a launched program's window should appear, as the script asks for it. A Linux process has
// no such setting, and the Linux services leave it unused.
enum class window_style : int16_t { normal = 1, minimized = 2 };

// What the system commands ask of the machine. Each implementation decides how its system
// carries the request out.
class system_services {
  public:
    virtual ~system_services() = default;

    // Starts a command line and returns at once, without waiting for the program. A program
    // that cannot be found or started is a run-time error.
    virtual void launch(text_view command_line, window_style style) = 0;

    // Open or close the CD tray. Failures are silent: no drive, no tray, a busy drive.
    virtual void open_cd_tray() = 0;
    virtual void close_cd_tray() = 0;

    // Shuts the machine down after `seconds`, at once for 0 or less, and returns without
    // waiting. A shutdown that cannot be started is a run-time error, as for launch.
    virtual void shut_down_after(int16_t seconds) = 0;
};

} // namespace tovl
