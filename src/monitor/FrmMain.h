// The main window: one row per input (monitoring button, meter, alert button), the broadcast
// clock and the two menus. It only draws what the monitor decides and passes clicks back.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "monitor/FrmMainLayout.h"
#include "monitor/MonitorView.h"
#include "playback/C_VU.h"

class QAction;

namespace sonivex {

class Monitor;
class QtPictureCanvas;
class UC_Picture;
class UC_TextButton;

// What a meter shows, to the pixel: equal faces look the same, so the meter is not redrawn.
struct MeterFace {
    std::array<int, 2> levelPx{};
    std::array<int, 2> peakPx{};
    std::array<std::string, 2> text;
    std::string name;
    bool operator==(const MeterFace&) const = default;
};

class FrmMain : public QMainWindow, public MonitorView {
  public:
    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    // MonitorView
    void SetCaption(const std::string& caption) override;
    void Layout(const MonitorSettings& settings) override;
    void RestorePlacement(SettingsStore& store) override;
    void SavePlacement(SettingsStore& store) override;
    void SetAuditColour(int i, int set) override;
    void SetAlertColour(int i, int set) override;
    void SetAlertText(int i, const std::string& text) override;
    void ResetMeter(int i) override;
    void ShowLevels(int i, const ChannelLevel& left, const ChannelLevel& right) override;
    void PrintName(int i, const std::string& name) override;
    void ShowClock(const std::string& line0, const std::string& line1) override;
    void ShowMissingDevices(const std::string& missing) override;

    // Handlers; an empty one does nothing. The buttons call theirs on release.
    std::function<void(int)> onAuditRelease;
    std::function<void(int)> onAlertRelease;
    std::function<void()> onMenuConf;   // "設定(&C)": the settings dialog
    std::function<void()> onMenuTimer;  // "休止時間(&T)": the schedule window
    std::function<void()> onQuit;       // after a confirmed close; QApplication::quit by default
    std::function<bool()> inTick;       // true while the main loop's tick runs

    // The controls, for the dialogs' owner and for tests; nullptr for a row that does not exist.
    int Rows() const { return static_cast<int>(rows_.size()); }
    UC_TextButton* AuditButton(int i) const;
    UC_TextButton* AlertButton(int i) const;
    UC_Picture* PictureVU(int i) const;
    UC_TextButton* TextClock() const { return clock_; }
    QAction* MenuConf() const { return menuConf_; }
    QAction* MenuTimer() const { return menuTimer_; }
    const MainLayout& Geometry() const { return layout_; }
    const QPixmap& PictureVUG() const { return vug_; }
    int MeterRenders(int i) const;  // how often meter i was redrawn

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Row {
        UC_TextButton* audit = nullptr;
        UC_Picture* picture = nullptr;
        UC_TextButton* alert = nullptr;
        std::unique_ptr<QtPictureCanvas> canvas;
        std::unique_ptr<C_VU> vu;
        std::array<ChannelLevel, 2> level;
        MeterFace face;
        int renders = 0;
    };
    void BuildMenus();
    void BuildClock();
    void BuildRow(int i);
    void BuildBackground();
    void ConfigureMeter(Row& row, QPixmap& picture);
    void SetMeter(int i, const ChannelLevel& left, const ChannelLevel& right);
    void RenderMeter(Row& row);
    void SizeWindow();
    bool ValidRow(int i) const { return i >= 0 && i < Rows(); }

    MainLayout layout_;
    int altFont_ = 1;
    int errorCatch_ = 0;
    float vuLevelTrim_ = -20.0f;
    bool appQuitting_ = false;  // the application is ending: closing asks nothing
    std::string caption_;
    std::string missing_;  // configured devices that are not there, for the title
    QWidget* face_ = nullptr;
    UC_TextButton* clock_ = nullptr;
    QAction* menuConf_ = nullptr;
    QAction* menuTimer_ = nullptr;
    QPixmap vug_;
    std::unique_ptr<QtPictureCanvas> vugCanvas_;
    std::vector<Row> rows_;
};

// Wiring for a run with a display, in this order:
//   auto window = CreateMainWindow();   // first: the monitor is built with it as its view
//   QtMessageBox box(window.get()); SetMessageBoxService(&box);
//   parts.view = window.get(); Monitor monitor(parts);
//   AttachMonitor(*window, monitor);   // the buttons' handlers
//   monitor.Startup(); window->show(); QApplication::exec(); monitor.Shutdown();
// The window must outlive the monitor's Shutdown, which saves the placement through it.
std::unique_ptr<FrmMain> CreateMainWindow();
void AttachMonitor(FrmMain& window, Monitor& monitor);

}  // namespace sonivex
