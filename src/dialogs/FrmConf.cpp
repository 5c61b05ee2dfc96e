// The settings dialog's frame: tabs, the OK and cancel buttons, the rules that act while typing,
// and its opening from the main window's menu.
#include "dialogs/FrmConf.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "controls/Fonts.h"
#include "dialogs/FrmTimer.h"
#include "mail/SmtpSession.h"
#include "monitor/FrmMain.h"
#include "monitor/Monitor.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr char kTitle[] = "設定";
constexpr float kUiPoints = 9.0f;
constexpr char kClickLine[] = "設定画面 OKCancelButtons Click";
constexpr int kCancelIndex = 0;
constexpr int kOkIndex = 1;
constexpr char kClosedMidSession[] = "設定画面を閉じたため中止";
const char* const kTabTitles[] = {"一般", "入力", "出力", "メール", "外部制御"};
const char* const kButtonTexts[] = {"キャンセル", "OK"};

}  // namespace

FrmConf::FrmConf(QWidget* owner, ConfHost host) : QDialog(owner), host_(std::move(host)) {
    setObjectName("FrmConf");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QString::fromUtf8(kTitle));
    setFont(UiFont(host_.monitor->settings.altFont, kUiPoints));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("TabConf");
    QWidget* const pages[] = {BuildGeneral(), BuildInputs(), BuildOutputs(), BuildMail(),
                              BuildExternal()};
    for (int k = 0; k < 5; ++k) {
        pages[k]->setObjectName(QStringLiteral("PictureTab%1").arg(k));
        tabs_->addTab(pages[k], QString::fromUtf8(kTabTitles[k]));
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (int index : {kCancelIndex, kOkIndex}) {
        auto* button = new QPushButton(QString::fromUtf8(kButtonTexts[index]), this);
        button->setObjectName(QStringLiteral("OKCancelButtons%1").arg(index));
        button->setAutoDefault(false);  // Enter in a field must not press OK
        connect(button, &QPushButton::clicked, this, [this, index] { OnButton(index); });
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);
    connect(c_.useBCD, &QCheckBox::toggled, this, [this] { ApplyBcdRule(); });
    connect(c_.hourAdjust, &QLineEdit::textChanged, this, [this](const QString& text) {
        const std::string formatted = SixDigitTime(text.toStdString());
        if (!formatted.empty()) c_.hourAdjust->setText(QString::fromStdString(formatted));
    });
    ShowView(ShowConf(host_.monitor->settings, *host_.store, *host_.devices,
                      ListSerialPorts(host_.roots)));
    ApplyBcdRule();
}

FrmConf::~FrmConf() {
    // A test mail still on its way is ended here; its report has nowhere to go.
    closing_ = true;
    if (session_ && session_->Running()) session_->Abort(kClosedMidSession);
}

// The time-code mode has a fixed rate and no serial control byte.
void FrmConf::ApplyBcdRule() {
    const bool timeCode = c_.useBCD->isChecked();
    c_.baud->setEnabled(!timeCode);
    c_.adjustPin[0]->setEnabled(!timeCode);
}

void FrmConf::OnButton(int index) {
    WriteLog(kClickLine + std::to_string(index));
    if (index == kOkIndex) Apply();
    close();
}

void FrmConf::Apply() {
    ConfFields fields = ReadFields();
    Monitor& monitor = *host_.monitor;
    ApplyConf(fields, monitor.settings, *host_.store, *host_.devices);
    for (auto [box, text] : {std::pair{c_.minute, &fields.minute},
                             {c_.second, &fields.second},
                             {c_.noAdjustSec, &fields.noAdjustSec}})
        box->setText(QString::fromStdString(*text));
    monitor.ApplySettings();
    if (host_.reopenDevices) host_.reopenDevices(monitor.settings);
    if (host_.onApplied) host_.onApplied();
}

void AttachSettingsDialog(FrmMain& window, ConfHost host) {
    if (!host.monitor || !host.store || !host.devices) {
        WriteLog("設定画面: 監視の準備ができていません", 1);
        return;
    }
    auto open = std::make_shared<QPointer<FrmConf>>();
    // The dialog goes before the monitor and the store it writes to.
    if (QCoreApplication::instance())
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &window,
                         [open] { delete open->data(); });
    window.onMenuConf = [&window, host, open] {
        if (open->isNull()) {
            *open = new FrmConf(&window, host);
            (*open)->show();
        }
        (*open)->raise();
        (*open)->activateWindow();
    };
}

}  // namespace sonivex
