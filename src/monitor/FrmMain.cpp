// The main window: menus, close confirmation, button colours and texts, the clock, the wiring.
#include "monitor/FrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>

#include "controls/QtPictureCanvas.h"
#include "controls/UC_Picture.h"
#include "controls/UC_TextButton.h"
#include "monitor/Monitor.h"
#include "platform/MessageBox.h"
#include "support/Contain.h"
#include "support/basic.h"

namespace sonivex {

namespace {
constexpr char kCloseQuestion[] = "終了しますか？";
constexpr char kProductName[] = "sonivex";
constexpr int kAlertTextLine = 0;
constexpr int kDateLine = 0;
constexpr int kTimeLine = 1;
}  // namespace

FrmMain::FrmMain(QWidget* parent) : QMainWindow(parent) {
    onQuit = [] { QCoreApplication::quit(); };
    BuildMenus();
    // The application's quit closes every window: that close must not ask.
    if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

FrmMain::~FrmMain() = default;

void FrmMain::BuildMenus() {
    menuConf_ = menuBar()->addAction(QString::fromUtf8("設定(&C)"));
    menuTimer_ = menuBar()->addAction(QString::fromUtf8("休止時間(&T)"));
    connect(menuConf_, &QAction::triggered, this, [this] {
        if (onMenuConf) onMenuConf();
    });
    connect(menuTimer_, &QAction::triggered, this, [this] {
        if (onMenuTimer) onMenuTimer();
    });
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit)
        appQuitting_ = true;
    return QMainWindow::eventFilter(watched, event);
}

// Only the user's close asks; with ErrorCatch on the program goes without asking.
void FrmMain::closeEvent(QCloseEvent* event) {
    if (appQuitting_) {
        event->accept();
        return;
    }
    // Asked inside a tick, the question would hold it: ask once the tick is over.
    if (inTick && inTick()) {
        event->ignore();
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    if (errorCatch_ == 0 &&
        CenteredMsgBox(kCloseQuestion, MB_YESNO | MB_ICONQUESTION, kProductName) != IDYES) {
        event->ignore();
        return;
    }
    appQuitting_ = true;
    event->accept();
    if (onQuit) onQuit();
}

void FrmMain::SetCaption(const std::string& caption) {
    caption_ = caption;
    ShowMissingDevices(missing_);
}

void FrmMain::ShowMissingDevices(const std::string& missing) {
    missing_ = missing;
    const std::string title = missing.empty() ? caption_ : caption_ + "  [" + missing + "]";
    setWindowTitle(QString::fromStdString(title));
}

void FrmMain::SetAuditColour(int i, int set) {
    if (ValidRow(i)) rows_[i].audit->UseColourSet(set);
}

void FrmMain::SetAlertColour(int i, int set) {
    if (ValidRow(i)) rows_[i].alert->UseColourSet(set);
}

void FrmMain::SetAlertText(int i, const std::string& text) {
    if (ValidRow(i)) rows_[i].alert->SetText(kAlertTextLine, QString::fromStdString(text));
}

void FrmMain::ShowClock(const std::string& line0, const std::string& line1) {
    if (!clock_) return;
    clock_->SetText(kDateLine, QString::fromStdString(line0));
    clock_->SetText(kTimeLine, QString::fromStdString(line1));
}

UC_TextButton* FrmMain::AuditButton(int i) const {
    return ValidRow(i) ? rows_[i].audit : nullptr;
}

UC_TextButton* FrmMain::AlertButton(int i) const {
    return ValidRow(i) ? rows_[i].alert : nullptr;
}

UC_Picture* FrmMain::PictureVU(int i) const {
    return ValidRow(i) ? rows_[i].picture : nullptr;
}

int FrmMain::MeterRenders(int i) const {
    return ValidRow(i) ? rows_[i].renders : 0;
}

std::unique_ptr<FrmMain> CreateMainWindow() {
    return std::make_unique<FrmMain>();
}

void AttachMonitor(FrmMain& window, Monitor& monitor) {
    window.onAuditRelease = [&monitor](int i) {
        Contained("AuditButton", [&] { monitor.AuditButtonClick(i); });
    };
    window.onAlertRelease = [&monitor](int i) {
        Contained("AlertButton", [&] { monitor.AlertButtonClick(i); });
    };
    window.inTick = [&monitor] { return monitor.InTick(); };
}

}  // namespace sonivex
