// The hidraw test double: sysfs files in a temp folder, socket pairs as device nodes.
#include "FakeHid.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>

namespace sonivex::testing {

namespace {
constexpr int kEventInquiry = 0;
constexpr int kStateInquiry = 255;
constexpr size_t kMaxReport = 64;
}  // namespace

std::vector<uint8_t> ReadDescriptorFile(const std::string& name) {
    const std::string text = ReadText(std::string(SONIVEX_TEST_DATA) + "/devices/" + name);
    return std::vector<uint8_t>(text.begin(), text.end());
}

FakeFirmware::FakeFirmware(int hostFd, int firmwareFd, int inputBytes)
    : hostFd_(hostFd), firmwareFd_(firmwareFd), inputBytes_(inputBytes) {
    notifier_ = std::make_unique<QSocketNotifier>(firmwareFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Service(); });
}

FakeFirmware::~FakeFirmware() {
    notifier_.reset();
    if (firmwareFd_ >= 0) ::close(firmwareFd_);
    ::close(hostFd_);
}

void FakeFirmware::Service() {
    uint8_t buffer[kMaxReport];
    for (;;) {
        if (firmwareFd_ < 0) return;
        const ssize_t n = ::recv(firmwareFd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0) return;
        std::vector<uint8_t> report(buffer, buffer + n);
        reports.push_back(report);
        Answer(report);
    }
}

void FakeFirmware::Answer(const std::vector<uint8_t>& report) {
    // Byte 0 is the report id the kernel would strip; then code and value (or port).
    const int code = report.size() > 1 ? report[1] : -1;
    const int port = report.size() > 2 ? report[2] : 0;
    if (code != kEventInquiry && code != kStateInquiry) {
        received_.push_back("cmd " + std::to_string(code));
        return;
    }
    received_.push_back((code == kStateInquiry ? "state " : "event ") + std::to_string(port));
    if (reply == Reply::Silent) return;
    if (reply == Reply::UnplugOnInquiry) {
        Unplug();
        return;
    }
    int value = state;
    if (code == kEventInquiry) {
        value = events.empty() ? 0 : events.front();
        if (!events.empty()) events.pop_front();
    }
    std::vector<uint8_t> answer(static_cast<size_t>(inputBytes_), 0);
    answer[0] = static_cast<uint8_t>(reply == Reply::WrongPort ? port + 1 : port);
    answer[1] = static_cast<uint8_t>(value);
    Send(answer);
}

void FakeFirmware::Send(const std::vector<uint8_t>& bytes) {
    if (firmwareFd_ >= 0) ::send(firmwareFd_, bytes.data(), bytes.size(), MSG_DONTWAIT);
}

void FakeFirmware::Unplug() {
    notifier_.reset();
    if (firmwareFd_ >= 0) ::close(firmwareFd_);
    firmwareFd_ = -1;
}

std::vector<std::string> FakeFirmware::Commands() const {
    std::vector<std::string> out;
    for (const std::string& r : received_)
        if (r.rfind("cmd ", 0) == 0) out.push_back(r);
    return out;
}

FakeHidTree::FakeHidTree() {
    // A host writing to a pulled device gets EPIPE from the socket pair, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::filesystem::create_directories(dir.File("sys/class/hidraw"));
    std::filesystem::create_directories(dir.File("dev"));
}

void FakeHidTree::Describe(int number, int vendor, int product, const std::string& descriptorFile,
                           const std::string& name) {
    const std::string device =
        dir.File("sys/class/hidraw/hidraw" + std::to_string(number) + "/device");
    std::filesystem::create_directories(device);
    char id[64];
    std::snprintf(id, sizeof id, "HID_ID=0003:%08X:%08X", vendor, product);
    WriteText(device + "/uevent", "DRIVER=hid-generic\n" + std::string(id) + "\nHID_NAME=" + name +
                                      "\nHID_PHYS=usb-0000:00:14.0-1/input0\n");
    const std::vector<uint8_t> d = ReadDescriptorFile(descriptorFile);
    WriteText(device + "/report_descriptor", std::string(d.begin(), d.end()));
}

FakeFirmware& FakeHidTree::Add(int number, int vendor, int product,
                               const std::string& descriptorFile, int inputBytes,
                               const std::string& name) {
    Describe(number, vendor, product, descriptorFile, name);
    int pair[2];
    ::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair);
    nodes_.emplace_back(NodePath(number),
                        std::make_unique<FakeFirmware>(pair[0], pair[1], inputBytes));
    return *nodes_.back().second;
}

void FakeHidTree::Remove(int number) {
    std::filesystem::remove_all(dir.File("sys/class/hidraw/hidraw" + std::to_string(number)));
}

void FakeHidTree::AddLocked(int number, int vendor, int product) {
    Describe(number, vendor, product, "box.rdesc", "locked box");
    locked_.push_back(NodePath(number));
}

std::string FakeHidTree::NodePath(int number) const {
    return dir.Folder() + "dev/hidraw" + std::to_string(number);
}

DeviceRoots FakeHidTree::Roots() {
    DeviceRoots roots;
    roots.sysfs = dir.Folder() + "sys";
    roots.dev = dir.Folder() + "dev";
    roots.openNode = [this](const std::string& path, int) {
        for (const auto& [node, firmware] : nodes_)
            if (node == path) return ::dup(firmware->HostFd());
        errno = std::find(locked_.begin(), locked_.end(), path) != locked_.end() ? EACCES : ENOENT;
        return -1;
    };
    return roots;
}

}  // namespace sonivex::testing
