// The ALSA device family: one snapshot of the device list shared by every device made from it.
#include <memory>

#include "platform/AlsaDeviceList.h"
#include "platform/AlsaWaveIn.h"
#include "platform/AlsaWaveOut.h"
#include "platform/AudioBackend.h"

namespace sonivex {

namespace {

class AlsaBackend : public AudioBackend {
  public:
    const DeviceList& Devices() const override { return *devices_; }
    std::unique_ptr<WaveIn> CreateWaveIn() override {
        return std::make_unique<AlsaWaveIn>(devices_);
    }
    std::unique_ptr<WaveOut> CreateWaveOut() override {
        return std::make_unique<AlsaWaveOut>(devices_);
    }

  private:
    // Shared so that a device outliving the backend still resolves its index.
    std::shared_ptr<const AlsaDeviceList> devices_ = std::make_shared<AlsaDeviceList>();
};

}  // namespace

std::unique_ptr<AudioBackend> CreateAlsaBackend() {
    return std::make_unique<AlsaBackend>();
}

}  // namespace sonivex
