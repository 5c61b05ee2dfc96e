// A fake sysfs tree of hidraw devices whose nodes are one end of a socket pair; the test plays
// each device's firmware on the other end, answering inquiries while the host waits.
#pragma once

#include <QSocketNotifier>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/DeviceRoots.h"

namespace sonivex::testing {

std::vector<uint8_t> ReadDescriptorFile(const std::string& name);  // from tests/data/devices

class FakeFirmware {
  public:
    enum class Reply { Answer, Silent, WrongPort, UnplugOnInquiry };

    FakeFirmware(int hostFd, int firmwareFd, int inputBytes);
    ~FakeFirmware();

    // Reads every report the host wrote and answers the inquiries among them.
    void Service();
    // The host's node goes away, as when the cable is pulled.
    void Unplug();
    // An input report that nobody asked for (the jog/shuttle controller sends these).
    void Send(const std::vector<uint8_t>& bytes);
    int HostFd() const { return hostFd_; }

    // "cmd N" for commands, "event P" / "state P" for inquiries, in the order they came.
    std::vector<std::string> Received() const { return received_; }
    std::vector<std::string> Commands() const;  // the commands only
    std::vector<std::vector<uint8_t>> reports;  // every output report as it came

    std::deque<int> events;  // answers to event inquiries, in order; 0 when none are left
    int state = 255;         // answer to state inquiries (levels, active low)
    Reply reply = Reply::Answer;

  private:
    void Answer(const std::vector<uint8_t>& report);

    int hostFd_;
    int firmwareFd_;
    int inputBytes_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::string> received_;
};

class FakeHidTree {
  public:
    FakeHidTree();
    // hidrawN with the ids, name and descriptor file; its firmware answers with reports of
    // inputBytes bytes (the input report length without the report-id byte).
    FakeFirmware& Add(int number, int vendor, int product, const std::string& descriptorFile,
                      int inputBytes = 8, const std::string& name = "velmarok USB IO");
    // hidrawN leaves sysfs, as an unplugged device does (its node stays dead).
    void Remove(int number);
    // A node that exists in sysfs but cannot be opened (no permission).
    void AddLocked(int number, int vendor, int product);
    std::string NodePath(int number) const;
    DeviceRoots Roots();

    TempDir dir;

  private:
    void Describe(int number, int vendor, int product, const std::string& descriptorFile,
                  const std::string& name);

    std::vector<std::pair<std::string, std::unique_ptr<FakeFirmware>>> nodes_;
    std::vector<std::string> locked_;
};

}  // namespace sonivex::testing
