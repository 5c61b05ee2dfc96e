// A fake sysfs tree of hidraw devices whose nodes are one end of a socket pair; the test plays
// each box's firmware on the other end, answering inquiries while the host waits.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/DeviceRoots.h"

namespace sonivex::testing {

class FakeFirmware {
  public:
    enum class Reply { Answer, Silent, WrongPort, UnplugOnInquiry };

    FakeFirmware(int hostFd, int firmwareFd) : hostFd_(hostFd), firmwareFd_(firmwareFd) {
        notifier_ = std::make_unique<QSocketNotifier>(firmwareFd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Service(); });
    }
    ~FakeFirmware() {
        Unplug();
        ::close(hostFd_);
    }

    // Reads every report the host wrote and answers the inquiries among them.
    void Service() {
        uint8_t buffer[64];
        for (ssize_t n; firmwareFd_ >= 0 &&
                        (n = ::recv(firmwareFd_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;) {
            reports.emplace_back(buffer, buffer + n);
            Answer(reports.back());
        }
    }
    // The host's node goes away, as when the cable is pulled.
    void Unplug() {
        notifier_.reset();
        if (firmwareFd_ >= 0) ::close(firmwareFd_);
        firmwareFd_ = -1;
    }
    int HostFd() const { return hostFd_; }
    // The command codes so far, each followed by a space.
    std::string Commands() {
        Service();
        std::string out;
        for (const std::string& r : received)
            if (r.starts_with("cmd ")) out += r.substr(4) + " ";
        return out;
    }
    int Inquiries() {
        Service();
        return static_cast<int>(std::ranges::count_if(
            received, [](const std::string& r) { return !r.starts_with("cmd "); }));
    }

    std::vector<std::string> received;          // "cmd N", "event P" or "state P", in order
    std::vector<std::vector<uint8_t>> reports;  // every output report as it came
    std::deque<int> events;  // answers to event inquiries, in order; 0 when none are left
    int state = 255;         // answer to state inquiries (levels, active low)
    Reply reply = Reply::Answer;

  private:
    // Byte 0 is the report id the kernel would strip; then the code (0 event and 255 state
    // inquiries, others commands) and the value (or port). Answers: port, value, zeros.
    void Answer(const std::vector<uint8_t>& report) {
        const int code = report.size() > 1 ? report[1] : -1;
        const int port = report.size() > 2 ? report[2] : 0;
        if (code != 0 && code != 255) {
            received.push_back("cmd " + std::to_string(code));
            return;
        }
        received.push_back((code ? "state " : "event ") + std::to_string(port));
        if (reply == Reply::Silent) return;
        if (reply == Reply::UnplugOnInquiry) return Unplug();
        int value = state;
        if (code == 0) {
            value = events.empty() ? 0 : events.front();
            if (!events.empty()) events.pop_front();
        }
        std::vector<uint8_t> answer(8, 0);
        answer[0] = static_cast<uint8_t>(reply == Reply::WrongPort ? port + 1 : port);
        answer[1] = static_cast<uint8_t>(value);
        if (firmwareFd_ >= 0) ::send(firmwareFd_, answer.data(), answer.size(), MSG_DONTWAIT);
    }

    int hostFd_;
    int firmwareFd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

class FakeHidTree {
  public:
    FakeHidTree() {
        // A host writing to a pulled device gets EPIPE from the socket pair, not a signal.
        std::signal(SIGPIPE, SIG_IGN);
        std::filesystem::create_directories(dir.File("sys/class/hidraw"));
        std::filesystem::create_directories(dir.File("dev"));
    }
    // hidrawN with the ids and name, the interface box's descriptor, and its firmware.
    FakeFirmware& Add(int number, int vendor, int product,
                      const std::string& name = "velmarok USB IO") {
        Describe(number, vendor, product, name);
        int pair[2];
        ::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair);
        nodes_.emplace_back(NodePath(number), std::make_unique<FakeFirmware>(pair[0], pair[1]));
        return *nodes_.back().second;
    }
    // hidrawN leaves sysfs, as an unplugged device does (its node stays dead).
    void Remove(int number) {
        std::filesystem::remove_all(dir.File("sys/class/hidraw/hidraw" + std::to_string(number)));
    }
    // A node that exists in sysfs but cannot be opened (no permission).
    void AddLocked(int number, int vendor, int product) {
        Describe(number, vendor, product, "locked box");
        locked_.push_back(NodePath(number));
    }
    std::string NodePath(int number) const {
        return dir.Folder() + "dev/hidraw" + std::to_string(number);
    }
    DeviceRoots Roots() {
        return {dir.Folder() + "sys", dir.Folder() + "dev", [this](const std::string& path, int) {
                    for (const auto& [node, firmware] : nodes_)
                        if (node == path) return ::dup(firmware->HostFd());
                    errno = std::ranges::find(locked_, path) != locked_.end() ? EACCES : ENOENT;
                    return -1;
                }};
    }

    TempDir dir;

  private:
    void Describe(int number, int vendor, int product, const std::string& name) {
        const std::string device =
            dir.File("sys/class/hidraw/hidraw" + std::to_string(number) + "/device");
        std::filesystem::create_directories(device);
        char id[64];
        std::snprintf(id, sizeof id, "HID_ID=0003:%08X:%08X", vendor, product);
        WriteText(device + "/uevent", "DRIVER=hid-generic\n" + std::string(id) + "\nHID_NAME=" +
                                          name + "\nHID_PHYS=usb-0000:00:14.0-1/input0\n");
        std::filesystem::copy_file(std::string(SONIVEX_TEST_DATA) + "/devices/box.rdesc",
                                   device + "/report_descriptor");
    }

    std::vector<std::pair<std::string, std::unique_ptr<FakeFirmware>>> nodes_;
    std::vector<std::string> locked_;
};

}  // namespace sonivex::testing
