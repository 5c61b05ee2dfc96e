// Audio devices by name: lookup, lists for the settings dialog, sample rates, error texts.
#pragma once

#include <string>

#include "playback/ChoiceList.h"

namespace sonivex {

class DeviceList;
class WaveIn;
class WaveOut;

constexpr int kSampleRateList[] = {192000, 96000, 88200, 48000, 44100, 32000,
                                   24000,  22050, 16000, 12000, 11025, 8000};

// A device named in the settings but not found: opening it fails (and says so) rather than using
// the default device: an output would play where the alarm sounds, a capture would watch
// another input.
constexpr int kMissingWaveDevice = -2;

// Device index for a configured name as FindWaveDevice finds it, without a log line, and
// kMissingWaveDevice where no device has that name.
int LocateWaveDevice(const DeviceList& devices, bool isInput, const std::string& name);

// Device index for a configured name: "" → 0, a number → that index, no match → -1 (logged;
// with showMessage 1 also a message box). `user` names who asked and what happens instead
// ("ch2 録音デバイス: 既定のデバイス default を使用"); then the line goes to the error log too.
int FindWaveDevice(const DeviceList& devices, bool isInput, const std::string& name,
                   int showMessage, const std::string& user = "");
// 1 when the names are equal once the numbering of duplicate devices ("2- ") is removed.
int MatchDeviceName(const std::string& a, const std::string& b);
std::string GetWaveDeviceName(const DeviceList& devices, bool isInput, int index);
void FillWaveDeviceCombo(const DeviceList& devices, ChoiceList& combo, bool isInput,
                         const std::string& preferredName, int selectFirst);
void FillSampleRateCombo(ChoiceList& combo, int current, int minimum, int maximum);
// For a nonzero code: the device's text for it, to the error log (toLog) or a message box.
// Returns 1 for a nonzero code, else 0.
int ShowWaveError(int code, const std::string& errorText, int toLog);

}  // namespace sonivex
