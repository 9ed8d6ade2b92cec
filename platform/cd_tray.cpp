// CD tray commands through the CD-ROM ioctls of /dev/cdrom.
#include "platform/cd_tray.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tovl {

bool send_cd_tray_command(const std::string& command) {
    unsigned long request;
    if (command == "set CDAudio door open") {
        request = CDROMEJECT;
    } else if (command == "set CDAudio door closed") {
        request = CDROMCLOSETRAY;
    } else {
        return false;
    }
    int fd = ::open("/dev/cdrom", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int result = ::ioctl(fd, request, 0);
    ::close(fd);
    return result == 0;
}

} // namespace tovl
