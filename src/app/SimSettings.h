// The simulated devices' settings: each sim capture device's signal program and the recording
// switch.
#pragma once

#include <string>

#include "platform/AudioBackend.h"

namespace sonivex {

class SettingsStore;

// SimSignal_1..8, and SimRecord 1 = record every sim output under <dataFolder>simout.
SimOptions ReadSimOptions(SettingsStore& store, const std::string& dataFolder);

}  // namespace sonivex
