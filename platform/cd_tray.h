// The CD tray, opened and closed through the CD-ROM driver.
#pragma once

#include <string>

namespace tovl {

// Carries out "set CDAudio door open" or "set CDAudio door closed" on /dev/cdrom. False for any
// other command and for any failure (no drive, busy, not supported).
bool send_cd_tray_command(const std::string& command);

} // namespace tovl
