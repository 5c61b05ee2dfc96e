// A monitor on simulated devices and the fake clock in the real main window, wired as in the app.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "app/SimSettings.h"
#include "controls/UC_Picture.h"
#include "controls/UC_TextButton.h"
#include "monitor/FrmMain.h"
#include "monitor/Monitor.h"
#include "monitor/SettingsStore.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex::testing {

// The widget's picture, also left as NAME.png in the build's artefact folder for a person to see.
inline QImage Shot(QWidget& widget, const std::string& name) {
    std::filesystem::create_directories(SONIVEX_ARTIFACTS_DIR);
    const QImage image = widget.grab().toImage();
    EXPECT_TRUE(image.save(QString::fromStdString(SONIVEX_ARTIFACTS_DIR "/" + name + ".png")));
    return image;
}

// Answers every box with `answer` and keeps what was asked.
class ScriptedBox : public MessageBoxService {
  public:
    using Question = std::pair<std::string, int>;  // text and flags
    int Show(const std::string& text, int flags, const std::string&) override {
        asked.push_back({text, flags});
        return answer;
    }
    std::vector<Question> asked;
    int answer = IDNO;
};

class GuiHarness {
  public:
    GuiHarness() : clock(LocalDateTime{2026, 12, 5, 9, 30, 0, 0}) {
        SetProgramClock(&clock);
        SetAppPath(dir.Folder());
        SetMessageBoxService(&box);
        store = std::make_unique<SettingsStore>(dir.File("sonivex.ini"));
    }
    ~GuiHarness() {
        monitor.reset();  // its shutdown saves the placement through the window
        window.reset();
        SetMessageBoxService(nullptr);
        ConfigureLog(LogConfig{});
        SetProgramClock(nullptr);
    }
    void Set(const std::string& key, const std::string& value) { store->WriteSetting(key, value); }
    // Inputs 1..n on "Sim In k", each with its signal program (empty: a steady tone).
    void SimInputs(const std::vector<std::string>& signals) {
        Set("NumRec", std::to_string(static_cast<int>(signals.size()) - 1));
        for (size_t k = 0; k < signals.size(); ++k) {
            const std::string n = std::to_string(k + 1);
            Set("DevInName_" + n, "Sim In " + n);
            if (!signals[k].empty()) Set("SimSignal_" + n, signals[k]);
        }
    }

    void Start() {
        LogConfig log;
        log.folder = dir.Folder() + "log/";
        ConfigureLog(log);
        audio = CreateSimBackend(clock, ReadSimOptions(*store, dir.Folder()));
        window = CreateMainWindow();
        window->onQuit = [this] { ++quits; };
        MonitorParts parts;
        parts.audio = audio.get();
        parts.store = store.get();
        parts.view = window.get();
        parts.dataFolder = dir.Folder();
        parts.commonIniPath = dir.File("common.ini");
        monitor = std::make_unique<Monitor>(parts);
        AttachMonitor(*window, *monitor);
        monitor->Startup();
        window->show();
        (void)QTest::qWaitForWindowExposed(window.get());
    }

    // Whole 100 ms ticks on the fake clock, the mail timer every tenth; pending paints run.
    void RunTicks(int ticks) {
        for (int n = 0; n < ticks; ++n) {
            clock.Advance(100);
            monitor->TimerProgTick();
            if (++tickCount_ % 10 == 0) monitor->TimerMailTick();
        }
        QCoreApplication::processEvents();
    }
    void Click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    bool Capturing(int i) { return monitor->Capture().CaptureState[i] == 1; }

    TempDir dir;
    FakeClock clock;
    ScriptedBox box;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<AudioBackend> audio;
    std::unique_ptr<FrmMain> window;
    std::unique_ptr<Monitor> monitor;
    int quits = 0;

  private:
    long tickCount_ = 0;
};

}  // namespace sonivex::testing
