// The simulated device family: eight capture and eight output devices on a Clock.
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/SimWaveIn.h"
#include "platform/SimWaveOut.h"

namespace sonivex {

namespace {

class SimDeviceList : public DeviceList {
  public:
    int Count(bool /*isInput*/) const override { return kSimDevices; }
    std::string Name(bool isInput, int index) const override {
        if (index < 0 || index >= kSimDevices) return "";
        return isInput ? SimInName(index) : SimOutName(index);
    }
    std::string Id(bool isInput, int index) const override { return Name(isInput, index); }
};

class SimBackend : public AudioBackend {
  public:
    SimBackend(const Clock& clock, const SimOptions& options)
        : clock_(clock),
          signals_(options.signals),
          recorder_(std::make_shared<SimRecorder>(options.recordFolder, options.recordSeconds,
                                                  options.note)) {}

    const DeviceList& Devices() const override { return devices_; }
    std::unique_ptr<WaveIn> CreateWaveIn() override {
        return std::make_unique<SimWaveIn>(clock_, signals_, outages_);
    }
    std::unique_ptr<WaveOut> CreateWaveOut() override {
        return std::make_unique<SimWaveOut>(clock_, recorder_);
    }

  private:
    const Clock& clock_;
    std::array<std::string, kSimDevices> signals_;
    std::shared_ptr<SimOutages> outages_ = std::make_shared<SimOutages>();
    std::shared_ptr<SimRecorder> recorder_;  // shared with the outputs, which may outlive us
    SimDeviceList devices_;
};

}  // namespace

std::unique_ptr<AudioBackend> CreateSimBackend(const Clock& clock, const SimOptions& options) {
    return std::make_unique<SimBackend>(clock, options);
}

}  // namespace sonivex
