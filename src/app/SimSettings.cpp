// Simulated device settings from the store.
#include "app/SimSettings.h"

#include "monitor/SettingsStore.h"

namespace sonivex {

SimOptions ReadSimOptions(SettingsStore& store, const std::string& dataFolder) {
    SimOptions sim;
    store.Hold();
    for (int k = 0; k < kSimDevices; ++k)
        sim.signals[k] = store.ReadSetting("SimSignal_" + std::to_string(k + 1), "");
    if (store.ReadSetting("SimRecord", int32_t{0}) == 1) sim.recordFolder = dataFolder + "simout";
    store.Release();
    return sim;
}

}  // namespace sonivex
