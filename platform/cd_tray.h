// The CD tray, opened and closed through the CD-ROM driver.
#pragma once

#include "platform/os_error.h"

namespace tovl {

// The drive whose tray moves.
inline constexpr char cd_drive[] = "/dev/cdrom";

enum class tray_move { open, close };

// Opens or closes the tray of cd_drive. The failure is that of opening the drive or of the
// driver's request (no drive, busy, not supported).
os_error move_cd_tray(tray_move move);

} // namespace tovl
