// Simulated device settings from the store.
#include "app/SimSettings.h"

#include "monitor/SettingsStore.h"
#include "platform/SimSignal.h"
#include "support/Log.h"

namespace sonivex {

SimOptions ReadSimOptions(SettingsStore& store, const std::string& dataFolder) {
    SimOptions sim;
    store.Hold();
    for (int k = 0; k < kSimDevices; ++k) {
        const std::string key = "SimSignal_" + std::to_string(k + 1);
        sim.signals[k] = store.ReadSetting(key, "");
        SimProgram program;
        std::string error;
        if (!ParseSimProgram(sim.signals[k], program, error))
            WriteLog(key + ": " + error + " (steady tone -20 instead)");
    }
    if (store.ReadSetting("SimRecord", int32_t{0}) == 1) {
        sim.recordFolder = dataFolder + "simout";
        sim.recordSeconds = store.ReadSetting("SimRecordSeconds", int32_t{600});
        sim.note = [](const std::string& line) { WriteLog(line); };
    }
    store.Release();
    return sim;
}

}  // namespace sonivex
