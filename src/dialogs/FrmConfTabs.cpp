// The five tabs of the settings dialog: their controls, labels and the notes on the settings
// that wait for the next start.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "dialogs/FrmConf.h"

namespace sonivex {

namespace {

constexpr char kNextStart[] = "(次回起動時に有効)";
constexpr char kNextCapture[] = "(入力デバイスは次の監視開始から有効)";
constexpr char kNextStartOut[] = "(出力デバイスは次回起動時に有効)";
constexpr int kNumberChars = 8;   // width of a number box, in digits
constexpr int kNameChars = 16;    // width of a name box
constexpr int kDeviceChars = 22;  // shortest width of a device list
constexpr int kBoxFramePx = 16;

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

QString Indexed(const char* base, int i) {
    return Q(base) + QString::number(i);
}

QLineEdit* Box(const QString& name, QWidget* parent, int chars) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    const int digit = box->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    box->setMinimumWidth(digit * chars + kBoxFramePx);
    return box;
}

QComboBox* Combo(const QString& name, QWidget* parent, bool editable = false) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(editable);
    return combo;
}

QComboBox* DeviceCombo(const QString& name, QWidget* parent) {
    QComboBox* combo = Combo(name, parent);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(kDeviceChars);
    return combo;
}

QCheckBox* Check(const QString& name, const char* text, QWidget* parent) {
    auto* box = new QCheckBox(Q(text), parent);
    box->setObjectName(name);
    return box;
}

QLabel* Label(const char* text, QWidget* parent) {
    return new QLabel(Q(text), parent);
}

QLabel* Note(const char* text, QWidget* parent) {
    QLabel* note = Label(text, parent);
    note->setForegroundRole(QPalette::PlaceholderText);
    return note;
}

// A labelled row of the "一般" tab: label, field, unit, note.
void AddRow(QGridLayout* grid, int row, const char* label, QWidget* field,
            const char* unit = nullptr, const char* note = nullptr) {
    QWidget* parent = grid->parentWidget();
    if (label) grid->addWidget(Label(label, parent), row, 0);
    grid->addWidget(field, row, 1);
    if (unit) grid->addWidget(Label(unit, parent), row, 2);
    if (note) grid->addWidget(Note(note, parent), row, 3);
}

void Finish(QGridLayout* grid, int rows, int stretchColumn) {
    grid->setRowStretch(rows, 1);
    grid->setColumnStretch(stretchColumn, 1);
}

}  // namespace

QWidget* FrmConf::BuildGeneral() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    c_.numDev = Box("TextNumDev", page, kNumberChars);
    c_.freq = Combo("ComboFreq", page, true);
    c_.alertLevelDB = Box("TextAlertLevelDB", page, kNumberChars);
    c_.muonSec = Box("TextMuonSec", page, kNumberChars);
    c_.muonSecMono = Box("TextMuonSecMono", page, kNumberChars);
    c_.hukkiSec = Box("TextHukkiSec", page, kNumberChars);
    c_.sizeRate = Box("TextSizeRate", page, kNumberChars);
    c_.altFont = Combo("ComboAltFont", page);
    c_.vuLevelTrim = Box("TextVULevelTrim", page, kNumberChars);
    c_.hourAdjust = Box("TextHourAdjust", page, kNumberChars);
    c_.autoRec = Check("CheckAutoRec", "起動時検知開始", page);
    int row = 0;
    AddRow(grid, row++, "入力数", c_.numDev, nullptr, kNextStart);
    AddRow(grid, row++, "サンプリング周波数", c_.freq, nullptr, kNextStart);
    AddRow(grid, row++, "無音レベル", c_.alertLevelDB, "db");
    AddRow(grid, row++, "無音秒", c_.muonSec, "秒");
    AddRow(grid, row++, "無音秒(片ch)", c_.muonSecMono, "秒");
    AddRow(grid, row++, "復帰秒", c_.hukkiSec, "秒");
    AddRow(grid, row++, "表示サイズ", c_.sizeRate, nullptr, kNextStart);
    AddRow(grid, row++, "表示フォント", c_.altFont, nullptr, kNextStart);
    AddRow(grid, row++, "メーターレベル", c_.vuLevelTrim, "dbfs", kNextStart);
    AddRow(grid, row++, "一日の開始時刻", c_.hourAdjust);
    AddRow(grid, row++, nullptr, c_.autoRec, nullptr, kNextStart);
    Finish(grid, row, 4);
    return page;
}

QWidget* FrmConf::BuildInputs() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(Label("名称", page), 0, 1);
    grid->addWidget(Label("入力デバイス", page), 0, 2);
    grid->addWidget(Label("レベル", page), 0, 3);
    for (int i = 0; i < kConfRows; ++i) {
        RowControls& r = c_.rows[i];
        r.auditName = Box(Indexed("TextAuditName", i), page, kNameChars);
        r.devIn = DeviceCombo(Indexed("ComboDevIn", i), page);
        r.recLevelDB = Box(Indexed("TextRecLevelDB", i), page, kNumberChars);
        r.isMono = Check(Indexed("CheckIsMono", i), "mono ", page);
        const int row = i + 1;
        grid->addWidget(new QLabel(QString::number(i + 1), page), row, 0);
        grid->addWidget(r.auditName, row, 1);
        grid->addWidget(r.devIn, row, 2);
        grid->addWidget(r.recLevelDB, row, 3);
        grid->addWidget(Label("db", page), row, 4);
        grid->addWidget(r.isMono, row, 5);
    }
    grid->addWidget(Note(kNextCapture, page), kConfRows + 1, 1, 1, 5);
    Finish(grid, kConfRows + 2, 2);
    return page;
}

void FrmConf::AddFillerBox(QGridLayout* grid, int row, int i) {
    QWidget* page = grid->parentWidget();
    QLineEdit* box = Box(Indexed("TextFillerFile", i), page, kNameChars);
    c_.rows[i].fillerFile = box;
    auto* browse = new QToolButton(page);
    browse->setObjectName(Indexed("ButtonFillerFile", i));
    browse->setText(QStringLiteral("..."));
    connect(browse, &QToolButton::clicked, this, [this, box] {
        const QString path = QFileDialog::getOpenFileName(
            this, Q("フィラー"), QFileInfo(box->text()).absolutePath(), Q("wav (*.wav)"));
        if (!path.isEmpty()) box->setText(path);
    });
    auto* cell = new QHBoxLayout;
    cell->setSpacing(2);
    cell->addWidget(box, 1);
    cell->addWidget(browse);
    grid->addLayout(cell, row, 5);
}

QWidget* FrmConf::BuildOutputs() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(Label("出力デバイス", page), 0, 1);
    grid->addWidget(Label("レベル", page), 0, 2);
    grid->addWidget(Label("フィラー", page), 0, 5);
    for (int i = 0; i < kConfRows; ++i) {
        RowControls& r = c_.rows[i];
        r.devOut = DeviceCombo(Indexed("ComboDevOut", i), page);
        r.playLevelDB = Box(Indexed("TextPlayLevelDB", i), page, kNumberChars);
        const int row = i + 1;
        grid->addWidget(new QLabel(QString::number(i + 1), page), row, 0);
        grid->addWidget(r.devOut, row, 1);
        grid->addWidget(r.playLevelDB, row, 2);
        grid->addWidget(Label("db", page), row, 3);
        AddFillerBox(grid, row, i);
    }
    c_.useBeep = Check("CheckUseBeep", "警報音", page);
    grid->addWidget(c_.useBeep, kConfRows + 1, 1);
    grid->addWidget(Note(kNextStartOut, page), kConfRows + 2, 1, 1, 5);
    Finish(grid, kConfRows + 3, 5);
    return page;
}

QWidget* FrmConf::BuildMail() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    c_.mailHost = Box("TextMailHost", page, kNameChars);
    c_.mailSenderAddr = Box("TextMailSenderAddr", page, kNameChars);
    c_.mailHostPort = Box("TextMailHostPort", page, kNumberChars);
    c_.mailLocalPort = Box("TextMailLocalPort", page, kNumberChars);
    c_.mailSecurity = Combo("ComboMailSecurity", page);
    c_.mailTlsVerify = Check("CheckMailTlsVerify", "証明書を検証", page);
    c_.mailUserName = Box("TextMailUserName", page, kNameChars);
    c_.mailPassWord = Box("TextMailPassWord", page, kNameChars);
    c_.mailPassWord->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    c_.messageLang = Check("CheckMessageLang", "英文メール", page);
    c_.mailAtRestoration = Check("CheckMailAtRestoration", "復旧時も送信", page);
    int row = 0;
    AddRow(grid, row++, "ホスト", c_.mailHost);
    AddRow(grid, row++, "送信元アドレス", c_.mailSenderAddr);
    AddRow(grid, row++, "リモートポート", c_.mailHostPort);
    AddRow(grid, row++, "ローカルポート", c_.mailLocalPort);
    AddRow(grid, row++, "暗号化", c_.mailSecurity);
    AddRow(grid, row++, nullptr, c_.mailTlsVerify);
    AddRow(grid, row++, "認証ユーザー名", c_.mailUserName);
    AddRow(grid, row++, "認証パスワード", c_.mailPassWord);
    AddRow(grid, row++, nullptr, c_.messageLang);
    AddRow(grid, row++, nullptr, c_.mailAtRestoration);
    AddRecipients(grid, row);
    AddWebhook(grid, row + 1);
    Finish(grid, row + 3, 4);
    grid->setColumnStretch(1, 1);
    return page;
}

// The recipients beside the server settings, and the test mail below both.
void FrmConf::AddRecipients(QGridLayout* grid, int testMailRow) {
    QWidget* page = grid->parentWidget();
    grid->addWidget(Label("メール送信先", page), 0, 3, 1, 2);
    for (int i = 0; i < kConfRows; ++i) {
        c_.rows[i].mailAddr = Box(Indexed("TextMailAddr", i), page, kNameChars);
        grid->addWidget(new QLabel(QString::number(i + 1), page), i + 1, 3);
        grid->addWidget(c_.rows[i].mailAddr, i + 1, 4);
    }
    c_.testMail = new QPushButton(Q("テスト送信"), page);
    c_.testMail->setObjectName("ButtonTestMail");
    c_.testMail->setAutoDefault(false);
    connect(c_.testMail, &QPushButton::clicked, this, [this] { SendTestMail(); });
    c_.testMailResult = new QLabel(page);
    c_.testMailResult->setObjectName("LabelTestMail");
    c_.testMailResult->setWordWrap(true);
    grid->addWidget(c_.testMail, testMailRow, 0);
    grid->addWidget(c_.testMailResult, testMailRow, 1, 1, 4);
}

// The webhook URLs with their format, and their test, below the test mail.
void FrmConf::AddWebhook(QGridLayout* grid, int row) {
    QWidget* page = grid->parentWidget();
    c_.webhookUrl = Box("TextWebhookUrl", page, kNameChars);
    c_.webhookUrl->setPlaceholderText(QStringLiteral("https://... ; https://..."));
    c_.webhookText = Check("CheckWebhookText", "text 形式", page);
    grid->addWidget(Label("Webhook URL", page), row, 0);
    grid->addWidget(c_.webhookUrl, row, 1, 1, 3);
    grid->addWidget(c_.webhookText, row, 4);
    c_.testWebhook = new QPushButton(Q("Webhookテスト"), page);
    c_.testWebhook->setObjectName("ButtonTestWebhook");
    c_.testWebhook->setAutoDefault(false);
    connect(c_.testWebhook, &QPushButton::clicked, this, [this] { SendTestWebhook(); });
    c_.testWebhookResult = new QLabel(page);
    c_.testWebhookResult->setObjectName("LabelTestWebhook");
    c_.testWebhookResult->setWordWrap(true);
    grid->addWidget(c_.testWebhook, row + 1, 0);
    grid->addWidget(c_.testWebhookResult, row + 1, 1, 1, 4);
}

QWidget* FrmConf::BuildExternal() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    c_.minute = Box("TextMinute", page, kNumberChars);
    c_.second = Box("TextSecond", page, kNumberChars);
    c_.noAdjustSec = Box("TextNoAdjustSec", page, kNumberChars);
    c_.useBCD = Check("CheckBCD", "BCD", page);
    c_.com = Combo("ComboCom", page);
    c_.baud = Combo("ComboBaud", page, true);
    c_.hid = Combo("ComboHID", page);
    for (int k = 0; k < 2; ++k) c_.adjustPin[k] = Combo(Indexed("ComboAdjustPin", k), page);
    grid->addWidget(Label("毎時", page), 0, 0);
    grid->addWidget(c_.minute, 0, 1);
    grid->addWidget(Label("分", page), 0, 2);
    grid->addWidget(c_.second, 0, 3);
    grid->addWidget(Label("秒", page), 0, 4);
    grid->addWidget(Label("前後", page), 1, 0);
    grid->addWidget(c_.noAdjustSec, 1, 1);
    grid->addWidget(Label("秒以外は無視", page), 1, 2, 1, 3);
    grid->addWidget(c_.useBCD, 2, 0);
    grid->addWidget(c_.com, 2, 1, 1, 2);
    grid->addWidget(c_.baud, 2, 3);
    grid->addWidget(Label("HID ID", page), 3, 0);
    grid->addWidget(c_.hid, 3, 1);
    grid->addWidget(Label("較正ピン", page), 4, 0);
    grid->addWidget(c_.adjustPin[0], 4, 1);
    grid->addWidget(c_.adjustPin[1], 4, 3);
    Finish(grid, 5, 5);
    return page;
}

}  // namespace sonivex
