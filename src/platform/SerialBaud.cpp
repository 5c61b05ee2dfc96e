// Any baud rate through termios2 (BOTHER); kept apart because <asm/termbits.h> clashes with
// <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "platform/SerialPort.h"

namespace sonivex {

bool SetCustomBaud(int fd, int baud) {
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    tio.c_cflag |= BOTHER;
    tio.c_ispeed = static_cast<speed_t>(baud);
    tio.c_ospeed = static_cast<speed_t>(baud);
    return ::ioctl(fd, TCSETS2, &tio) == 0;
}

int LineBaud(int fd) {
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0) return -1;
    return static_cast<int>(tio.c_ospeed);
}

}  // namespace sonivex
