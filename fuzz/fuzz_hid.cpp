// libFuzzer target: what the USB HID relay box hands over. The report descriptor (read from sysfs)
// sets the report lengths; the reports themselves come one by one through a socket pair standing
// in for the hidraw node, to the box's inquiries and latch commands.
// Lengths stay within the parser's cap and an inquiry gives a port value or -1, whatever the
// device sends.
//
// The input's first bytes are the descriptor and the reports, its last bytes the choices.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "devices/C_HID.h"
#include "platform/Hidraw.h"

namespace {

constexpr int kBoxProduct = 1;
constexpr int kMaxReportLength = 4096 + 1;  // the longest report the parser admits, with its id
constexpr size_t kMaxDescriptor = 1024;
constexpr int kMaxReports = 24;
constexpr int kMaxCalls = 32;

void CheckLengths(const sonivex::HidReportLengths& l) {
    for (int n : {l.input, l.output, l.feature})
        if (n < 0 || n > kMaxReportLength) std::abort();
}

// The sysfs description of one hidraw node with this descriptor.
void Describe(const std::string& sysfs, const std::vector<uint8_t>& descriptor) {
    const std::string device = sysfs + "/class/hidraw/hidraw0/device/";
    std::filesystem::create_directories(device);
    char uevent[96];
    std::snprintf(uevent, sizeof uevent, "HID_ID=0003:%08X:%08X\nHID_NAME=fuzz\n",
                  sonivex::kBoxVendorId, kBoxProduct);
    sonivex::fuzz::WriteBytes(device + "uevent", reinterpret_cast<const uint8_t*>(uevent),
                              std::strlen(uevent));
    sonivex::fuzz::WriteBytes(device + "report_descriptor", descriptor.data(), descriptor.size());
}

// The device's side of the socket pair: it takes in whatever the host sent (the host's writes
// would otherwise stall on a full queue and wait out their timeout) and hands over one report
// before each call; when it has said everything it falls silent, and reads see it gone.
class Device {
  public:
    Device(int fd, std::vector<std::vector<uint8_t>> reports)
        : fd_(fd), reports_(std::move(reports)) {}

    void BeforeCall() {
        uint8_t sink[kMaxReportLength];
        while (::recv(fd_, sink, sizeof sink, 0) > 0) {
        }
        if (next_ < reports_.size()) {
            const std::vector<uint8_t>& r = reports_[next_];
            if (::send(fd_, r.data(), r.size(), 0) >= 0) ++next_;
        }
        if (next_ == reports_.size()) ::shutdown(fd_, SHUT_WR);
    }

  private:
    int fd_;
    std::vector<std::vector<uint8_t>> reports_;
    size_t next_ = 0;
};

void Drive(sonivex::C_HID& hid, Device& device, FuzzedDataProvider& in) {
    for (int n = 0; n < kMaxCalls && hid.IsOpen(); ++n) {
        device.BeforeCall();
        const uint8_t choice = in.ConsumeIntegral<uint8_t>();
        const int port = (choice & 0x80) ? in.ConsumeIntegralInRange(-1, 256) : (choice >> 3) & 7;
        if (choice & 4) {
            const int sent = hid.VelmWrite(port, in.ConsumeIntegral<uint8_t>());
            if (sent != 0 && sent != 1) std::abort();
            continue;
        }
        const int value = hid.VelmRead(choice & 1, port);
        if (value < -1 || value > 255) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ignored = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    (void)ignored;
    FuzzedDataProvider in(data, size);
    const std::vector<uint8_t> descriptor =
        in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, kMaxDescriptor));
    CheckLengths(sonivex::ParseReportDescriptor(descriptor));

    const std::string root = sonivex::fuzz::ScratchFolder();
    Describe(root + "sys", descriptor);
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) != 0)
        std::abort();
    const int host = pair[0];
    std::vector<std::vector<uint8_t>> reports(in.ConsumeIntegralInRange(0, kMaxReports));
    for (std::vector<uint8_t>& report : reports)
        report = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 64));
    std::erase_if(reports, [](const std::vector<uint8_t>& r) { return r.empty(); });
    Device device(pair[1], std::move(reports));

    sonivex::DeviceRoots roots{root + "sys", root + "dev",
                               [host](const std::string&, int) { return ::dup(host); }};
    {
        sonivex::C_HID hid(roots);
        hid.TimeoutMS(sonivex::C_HID::kMinTimeoutMS);
        if (hid.HidInit(kBoxProduct) != 1) std::abort();
        if (hid.ReceiveSize() > kMaxReportLength || hid.SendSize() > kMaxReportLength) std::abort();
        Drive(hid, device, in);
    }
    ::close(host);
    ::close(pair[1]);
    return 0;
}
