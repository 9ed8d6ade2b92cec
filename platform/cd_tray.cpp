// The CD tray through the CD-ROM ioctls.
#include "platform/cd_tray.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tovl {

os_error move_cd_tray(tray_move move) {
    unsigned long request = move == tray_move::open ? CDROMEJECT : CDROMCLOSETRAY;
    int fd = ::open(cd_drive, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {errno, os_task::read_file};
    os_error error;
    if (::ioctl(fd, request, 0) != 0) error = {errno, os_task::write_file};
    ::close(fd);
    return error;
}

} // namespace tovl
