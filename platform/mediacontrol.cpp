// CD tray commands through the CD-ROM ioctls of /dev/cdrom.
#include "platform/mediacontrol.h"

#include <cstring>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tovl {

namespace {

constexpr uint32_t done = 0;
constexpr uint32_t unknowncommand = 1;
constexpr uint32_t devicefailed = 2;

} // namespace

uint32_t mciSendStringA(const char* command, char* answer, uint32_t answercapacity, uintptr_t) {
    if (answer && answercapacity > 0) answer[0] = '\0';
    unsigned long request;
    if (std::strcmp(command, "set CDAudio door open") == 0) {
        request = CDROMEJECT;
    } else if (std::strcmp(command, "set CDAudio door closed") == 0) {
        request = CDROMCLOSETRAY;
    } else {
        return unknowncommand;
    }
    int fd = ::open("/dev/cdrom", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return devicefailed;
    int result = ::ioctl(fd, request, 0);
    ::close(fd);
    return result == 0 ? done : devicefailed;
}

} // namespace tovl
