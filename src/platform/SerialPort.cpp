// termios set-up, bounded writes, reads of what is buffered, and the list of serial ports.
#include "platform/SerialPort.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace sonivex {

namespace {

struct SpeedCode {
    int baud;
    speed_t code;
};

constexpr SpeedCode kSpeeds[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool StandardSpeed(int baud, speed_t& code) {
    for (const SpeedCode& s : kSpeeds) {
        if (s.baud != baud) continue;
        code = s.code;
        return true;
    }
    return false;
}

bool IsGone(int error) {
    return error == EIO || error == ENODEV || error == ENXIO || error == EPIPE;
}

constexpr short kHangUp = POLLHUP | POLLERR | POLLNVAL;

}  // namespace

bool SerialPort::Open(const std::string& path) {
    Close();
    error_ = 0;
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) {  // not a terminal: no serial port
        error_ = errno;
        Close();
        return false;
    }
    ::ioctl(fd_, TIOCEXCL);  // a port belongs to one program, as it always has
    return true;
}

bool SerialPort::Configure(int baud) {
    termios tio{};
    if (fd_ < 0 || baud <= 0 || ::tcgetattr(fd_, &tio) != 0) {
        error_ = fd_ < 0 ? EBADF : baud <= 0 ? EINVAL : errno;
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    speed_t code = B0;
    const bool standard = StandardSpeed(baud, code);
    if (standard) {
        ::cfsetispeed(&tio, code);
        ::cfsetospeed(&tio, code);
    }
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0 || (!standard && !SetCustomBaud(fd_, baud))) {
        error_ = errno;
        return false;
    }
    return true;
}

void SerialPort::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int SerialPort::Write(const uint8_t* bytes, size_t count, int timeoutMs) {
    if (fd_ < 0) return -1;
    const auto start = std::chrono::steady_clock::now();
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            error_ = errno;
            return IsGone(errno) ? -1 : static_cast<int>(done);
        }
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
        if (spent >= timeoutMs) break;
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(timeoutMs - spent)) > 0 && (p.revents & kHangUp) &&
            !(p.revents & POLLOUT))
            return -1;
    }
    return static_cast<int>(done);
}

int SerialPort::Read(uint8_t* bytes, size_t max) {
    if (fd_ < 0) return -1;
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, 0);
    if (ready <= 0) return 0;
    const ssize_t n = max > 0 ? ::read(fd_, bytes, max) : 0;
    if (n > 0) return static_cast<int>(n);
    if (n < 0 && IsGone(errno)) {
        error_ = errno;
        return -1;
    }
    if (p.revents & kHangUp) {
        error_ = EIO;
        return -1;
    }
    return 0;
}

namespace {

bool IsSerialName(const std::string& name, const std::string& sysDir) {
    if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0) return true;
    if (name.rfind("ttyS", 0) != 0) return false;
    // Every machine lists ttyS0..31; only a UART that is there has a type other than 0.
    std::ifstream in(sysDir + "/type");
    int type = 0;
    return static_cast<bool>(in >> type) && type != 0;
}

// The number at the end of a name ("ttyS10" → 10), -1 without one.
long Number(const std::string& name) {
    const size_t at = name.find_first_of("0123456789");
    if (at == std::string::npos) return -1;
    char* end = nullptr;
    const long n = std::strtol(name.c_str() + at, &end, 10);
    return *end == '\0' ? n : -1;
}

// "ttyS10" sorts after "ttyS9".
bool NameLess(const std::string& a, const std::string& b) {
    const size_t da = a.find_first_of("0123456789"), db = b.find_first_of("0123456789");
    if (a.compare(0, da, b, 0, db) != 0) return a < b;
    return Number(a) < Number(b);
}

std::string ByIdAlias(const std::string& byIdFolder, const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(path, ec);
    for (fs::directory_iterator it(byIdFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        if (fs::weakly_canonical(it->path(), linkError) == target && !linkError)
            return it->path().string();
    }
    return "";
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const DeviceRoots& roots) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(roots.sysfs + "/class/tty", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsSerialName(name, it->path().string())) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), NameLess);
    std::vector<SerialPortInfo> ports;
    for (const std::string& name : names) {
        SerialPortInfo info;
        info.path = roots.dev + "/" + name;
        if (name.rfind("ttyS", 0) == 0 && Number(name) >= 0) info.comNo = Number(name) + 1;
        info.alias = ByIdAlias(roots.dev + "/serial/by-id", info.path);
        ports.push_back(info);
    }
    return ports;
}

}  // namespace sonivex
