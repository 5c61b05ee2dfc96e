// hidraw through sysfs and the device node: enumeration, opening, one report per transfer.
#include "platform/Hidraw.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace sonivex {

namespace {

constexpr char kPrefix[] = "hidraw";
constexpr size_t kMaxDescriptorBytes = 4096;  // HID_MAX_DESCRIPTOR_SIZE
constexpr size_t kMaxReportBytes = 16384;     // HID_MAX_BUFFER_SIZE

// The N of "hidrawN", or -1 for any other name.
long NodeNumber(const std::string& name) {
    const size_t len = sizeof kPrefix - 1;
    if (name.size() <= len || name.compare(0, len, kPrefix) != 0) return -1;
    char* end = nullptr;
    const long n = std::strtol(name.c_str() + len, &end, 10);
    return *end == '\0' && n >= 0 ? n : -1;
}

// HID_ID=0003:0000VVVV:0000PPPP and HID_NAME=... of a uevent file.
bool ParseUevent(const std::string& path, HidrawNode& node) {
    std::ifstream in(path);
    if (!in) return false;
    bool haveId = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("HID_ID=", 0) == 0) {
            unsigned bus = 0, vendor = 0, product = 0;
            haveId = std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, &vendor, &product) == 3;
            node.bus = static_cast<int>(bus & 0xFFFF);
            node.vendor = static_cast<int>(vendor & 0xFFFF);
            node.product = static_cast<int>(product & 0xFFFF);
        } else if (line.rfind("HID_NAME=", 0) == 0) {
            node.name = line.substr(9);
        }
    }
    return haveId;
}

std::vector<uint8_t> ReadDescriptor(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes;
    char c;
    while (bytes.size() < kMaxDescriptorBytes && in.get(c))
        bytes.push_back(static_cast<uint8_t>(c));
    return bytes;
}

bool IsGone(int error) {
    return error == EIO || error == ENODEV || error == EPIPE || error == ECONNRESET ||
           error == ENXIO;
}

}  // namespace

std::vector<HidrawNode> EnumerateHidraw(const DeviceRoots& roots) {
    namespace fs = std::filesystem;
    std::vector<std::pair<long, HidrawNode>> found;
    std::error_code ec;
    for (fs::directory_iterator it(roots.sysfs + "/class/hidraw", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const long number = NodeNumber(name);
        if (number < 0) continue;
        HidrawNode node;
        const std::string device = it->path().string() + "/device/";
        if (!ParseUevent(device + "uevent", node)) continue;
        node.descriptor = ReadDescriptor(device + "report_descriptor");
        node.path = roots.dev + "/" + name;
        found.emplace_back(number, std::move(node));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<HidrawNode> nodes;
    for (auto& [number, node] : found) nodes.push_back(std::move(node));
    return nodes;
}

bool HidrawFile::Open(const DeviceRoots& roots, const std::string& path) {
    Close();
    fd_ = roots.Open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) fd_ = roots.Open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    error_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

void HidrawFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

HidIoState HidrawFile::Failed(int error) {
    error_ = error;
    return IsGone(error) ? HidIoState::Lost : HidIoState::Failed;
}

HidIoState HidrawFile::Write(const uint8_t* report, size_t length) {
    if (fd_ < 0) return Failed(EBADF);
    const ssize_t n = ::write(fd_, report, length);
    if (n < 0) return errno == EAGAIN || errno == EINTR ? HidIoState::Pending : Failed(errno);
    return HidIoState::Done;
}

HidIoState HidrawFile::Read(uint8_t* report, size_t length, bool numbered, int& count) {
    count = 0;
    if (fd_ < 0) return Failed(EBADF);
    uint8_t buffer[kMaxReportBytes];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0) return errno == EAGAIN || errno == EINTR ? HidIoState::Pending : Failed(errno);
    if (n == 0) return Failed(EPIPE);  // the other end has gone (a socket pair in tests)
    const size_t offset = numbered ? 0 : 1;
    if (length > 0 && offset == 1) report[0] = 0;
    const size_t copied = std::min(static_cast<size_t>(n), length > offset ? length - offset : 0);
    std::copy(buffer, buffer + copied, report + offset);
    count = static_cast<int>(static_cast<size_t>(n) + offset);
    return HidIoState::Done;
}

bool HidrawFile::Wait(bool forRead, int timeoutMs) {
    if (fd_ < 0) return false;
    pollfd p{fd_, static_cast<short>(forRead ? POLLIN : POLLOUT), 0};
    const int r = ::poll(&p, 1, std::max(0, timeoutMs));
    if (r < 0) return errno == EINTR;
    if (r > 0 && (p.revents & POLLIN)) return true;  // data first: a last report before a hang-up
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        error_ = EPIPE;
        return false;
    }
    return true;
}

}  // namespace sonivex
