// The media-control command-string interface, for the CD tray.
#pragma once

#include <cstdint>

namespace tovl {

// Understands "set CDAudio door open" and "set CDAudio door closed", which open and close the
// tray of /dev/cdrom. Returns 0 when the command was carried out and a nonzero code for any
// other command or any failure (no drive, busy, not supported). The answer buffer receives
// an empty text; `notifywindow` is not used.
uint32_t mciSendStringA(const char* command, char* answer, uint32_t answercapacity,
                        uintptr_t notifywindow);

} // namespace tovl
