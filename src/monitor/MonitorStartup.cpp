// Start-up and shutdown of the monitor, in the order the program has always kept.
#include <iostream>
#include <string>

#include "monitor/Monitor.h"
#include "monitor/SettingsStore.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "playback/C_WaveOut.h"
#include "support/Log.h"
#include "support/OldFiles.h"
#include "support/basic.h"

namespace sonivex {

Monitor::Monitor(const MonitorParts& parts)
    : parts_(parts), view_(parts.view ? *parts.view : nullView_) {}

Monitor::~Monitor() {
    Shutdown();
}

void Monitor::SetFiller(int i, std::unique_ptr<FillerPlayer> player) {
    fillers_[i] = std::move(player);
}

// One streaming player per input for its filler, set up as the alert actions expect it.
std::unique_ptr<FillerPlayer> Monitor::MakeFillerPlayer(int deviceId) {
    auto player = std::make_unique<C_WaveOut>(*parts_.audio);
    player->BufferPagemsec(150);
    player->NumBufferPages(60);
    player->NumDiskBufferPages(20);
    player->NumBufferToPlay(10);
    player->NoClose(settings.noClose);
    player->MuteMS(settings.muteMS);
    player->VolMinLevel(-4000);
    player->DeviceID(deviceId);
    player->UseExtensible(settings.useExtensible);
    player->Init();
    player->Attenuation(0);
    return player;
}

// The log as the settings want it before anything that can fail writes to it; its first lines
// name the folders this run uses.
void Monitor::StartLog() {
    ReadLogSwitches(*parts_.store, parts_.dataFolder, settings);
    std::string problem;
    settings.logFolder = ReadLogFolder(parts_.commonIniPath, parts_.dataFolder, problem);
    LogConfig log = CurrentLogConfig();
    log.logError = settings.logError;
    log.errorCatch = settings.errorCatch != 0;
    log.folder = settings.logFolder;
    ConfigureLog(log);
    if (!problem.empty()) {
        std::cerr << "sonivex: " << problem << "; the logs go to " << settings.logFolder << "\n";
        WriteLog("ログフォルダを使用できません " + problem + " (" + settings.logFolder +
                 " を使用)");
    }
    WriteLog("データフォルダ " + parts_.dataFolder);
    WriteLog("設定ファイル " + parts_.store->Path());
    WriteLog("ログフォルダ " + settings.logFolder);
}

void Monitor::ReadStartupSettings() {
    SettingsStore& store = *parts_.store;
    store.Hold();
    StartLog();
    DeleteOldFiles(settings.logFolder, 90);
    pruning_.Pruned(ProgramClock().Now());
    ReadLanguage(store, settings);
    ReadInputs(store, parts_.audio->Devices(), settings);
    ReadThresholds(store, settings);
    ReadPlayerAndDisplay(store, settings);
    ReadMail(store, settings);
    ReadDevices(store, settings);
    ReadStatusServer(store, settings);
    store.Release();
}

void Monitor::Startup() {
    view_.SetCaption("sonivex - velmarok");
    ReadStartupSettings();
    capture_ = std::make_unique<WaveFCT>(*parts_.audio, settings.nFreq);
    capture_->LossRecovery = settings.deviceLossAlert;
    capture_->FindAgain = [this](int i) { return FindCaptureDeviceAgain(i); };
    for (int i = 0; i < kMaxInputs; ++i) {
        capture_->DeviceId[i] = settings.inputs[i].devIn;
        capture_->RecGain[i] = settings.inputs[i].recGain;
    }
    tone_ = std::make_unique<AlarmTone>(*parts_.audio, settings.nFreq);
    for (int i = 0; i < NumInputs(); ++i)
        if (!fillers_[i]) fillers_[i] = MakeFillerPlayer(settings.inputs[i].devOut);
    view_.Layout(settings);
    if (!parts_.schedule) {
        ownSchedule_ = LoadSchedule(parts_.dataFolder);
        parts_.schedule = ownSchedule_.get();
    }
    for (int i = 0; i < NumInputs(); ++i) {
        view_.ResetMeter(i);
        view_.PrintName(i, settings.inputs[i].auditName);
        view_.SetAlertText(i, "Alert");
    }
    if (parts_.openDevices) parts_.openDevices(settings, parts_);
    view_.RestorePlacement(*parts_.store);
    for (int i = 0; i < NumInputs(); ++i) SetLatch(i, 0);
    WriteLog(kStartLine);
    started_ = true;
    settings.autoRec = ReadBounded(*parts_.store, "AutoRec", 0, 0, 1);
    if (settings.autoRec == 1) {
        WriteLog("監視開始（起動）");
        for (int i = 0; i < NumInputs(); ++i) StartCapture(i);
    }
}

void Monitor::Shutdown() {
    if (!started_) return;
    started_ = false;
    for (int i = 0; i < NumInputs(); ++i) StopCapture(i);
    if (tone_->Playing()) tone_->StopAlarmTone();
    for (auto& filler : fillers_) filler.reset();
    view_.SavePlacement(*parts_.store);
    if (ownSchedule_) SaveSchedule(*ownSchedule_, parts_.dataFolder);
    // A latch left on would hold the station's alarm after the program has gone.
    for (LatchOutput* out : {parts_.serial, parts_.hid}) {
        if (!out || !out->IsOpen()) continue;
        if (out == parts_.serial && settings.useBCD != 0) continue;
        for (int code = 101; code <= 108; ++code) out->SendCode(code);
    }
    WriteLog(kEndLine);
}

}  // namespace sonivex
