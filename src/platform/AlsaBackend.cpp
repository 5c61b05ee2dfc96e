// The ALSA device family: one snapshot of the device list shared by every device made from it.
#include <functional>
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
    int FindAgain(bool isInput, const std::function<int(const DeviceList&)>& locate) override {
        const AlsaDeviceList now;  // ALSA's hints read again
        const int found = locate(now);
        if (found < 0 || found >= now.Count(isInput)) return -1;
        return devices_->Adopt(isInput, {now.Name(isInput, found), now.Id(isInput, found)});
    }

  private:
    // Shared so that a device outliving the backend still resolves its index.
    std::shared_ptr<AlsaDeviceList> devices_ = std::make_shared<AlsaDeviceList>();
};

}  // namespace

std::unique_ptr<AudioBackend> CreateAlsaBackend() {
    return std::make_unique<AlsaBackend>();
}

}  // namespace sonivex
