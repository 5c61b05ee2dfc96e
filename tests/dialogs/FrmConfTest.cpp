// The settings dialog on a running monitor, and its rules without widgets.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>

#include "dialogs/ConfApply.h"
#include "dialogs/FrmConf.h"
#include "gui/GuiHarness.h"
#include "mail/MailTestSupport.h"
#include "platform/IniFile.h"
#include "playback/Decibel.h"

namespace sonivex::testing {
namespace {

class ConfDialog : public ::testing::Test {
  protected:
    void Start(const std::vector<std::string>& signals = {"", ""}) {
        h.SimInputs(signals);
        h.Start();
        AttachSettingsDialog(*h.window,
                             {h.monitor.get(), h.store.get(), &h.audio->Devices(),
                              [this](const MonitorSettings&) { calls.push_back("reopen"); },
                              [this] { calls.push_back("applied"); }, DeviceRoots{}});
    }
    void Open() {
        h.window->MenuConf()->trigger();
        frm = h.window->findChild<FrmConf*>();
        ASSERT_TRUE(frm && QTest::qWaitForWindowExposed(frm));
        tabs = Get<QTabWidget>("TabConf");
    }
    template <class T = QAbstractButton>
    T* Get(const QString& name) {
        T* widget = frm->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    // The tab that holds the control comes to the front, as a user would bring it.
    void ShowTab(QWidget* control) {
        for (QWidget* w = control; w; w = w->parentWidget())
            if (w->objectName().startsWith("PictureTab")) tabs->setCurrentWidget(w);
    }
    // The text arrives at once, as an input method commits kana and kanji.
    void Type(const std::string& name, const std::string& text) {
        QLineEdit* box = Get<QLineEdit>(QString::fromStdString(name));
        ShowTab(box);
        box->clear();
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString::fromStdString(text), {});
    }
    void Click(const char* name) {
        QAbstractButton* button = Get(name);
        ShowTab(button);
        h.Click(button);
    }
    std::string BoxText(const std::string& name) {
        return Get<QLineEdit>(QString::fromStdString(name))->text().toStdString();
    }
    // Without letting events run: the dialog, deleted on close, is still there to look at.
    void Press(int index) {
        QTest::mouseClick(Get(QStringLiteral("OKCancelButtons%1").arg(index)), Qt::LeftButton);
    }

    GuiHarness h;
    QPointer<FrmConf> frm;
    QTabWidget* tabs = nullptr;
    std::vector<std::string> calls;
};

// No text cut off; Cancel changes nothing; a second menu click raises the same dialog. Typed
// values go through the rules into the ini file and act at once, except the number of inputs
// (next start); an input with no device chosen keeps the name of its unplugged one.
TEST_F(ConfDialog, CancelKeepsAllAndOkStoresTheRulesResultsAndActsOnTheRunningMonitor) {
    h.Set("DevInName_3", "USB Mic (unplugged)");
    Start({"silence 100", ""});
    h.Click(h.window->AuditButton(0));
    h.RunTicks(30);
    ASSERT_EQ(h.monitor->AlertActive[0], 0);
    const QImage meter = h.window->PictureVU(1)->Pixmap().toImage();
    const std::string before = ReadText(h.store->Path());
    Open();
    for (int k = 0; k < tabs->count(); ++k) {
        tabs->setCurrentIndex(k);
        QCoreApplication::processEvents();
        Shot(*frm, "conf-" + std::to_string(k));
        for (QLabel* label : tabs->widget(k)->findChildren<QLabel*>()) {
            const QSize need = label->wordWrap() ? QSize(0, label->heightForWidth(label->width()))
                                                 : label->sizeHint();
            EXPECT_TRUE(label->width() >= need.width() && label->height() >= need.height())
                << label->text().toStdString();
        }
    }
    Type("TextMuonSec", "2");
    h.window->MenuConf()->trigger();
    EXPECT_EQ(h.window->findChildren<FrmConf*>(), QList<FrmConf*>{frm});
    Press(0);
    EXPECT_EQ(ReadText(h.store->Path()), before);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(h.monitor->settings.thresholds.muonSec, 15);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    Open();
    for (auto [box, text] : {std::pair{"TextNumDev", "1"},
                             {"TextAlertLevelDB", "50"},
                             {"TextMuonSec", "0"},
                             {"TextHourAdjust", "100000"},
                             {"TextMinute", "abc"},
                             {"TextRecLevelDB0", "-6"},
                             {"TextAuditName1", "AM 本線"},
                             {"TextAuditName3", "ラジオ第２"},
                             {"TextMailAddr7", "desk@example.com"}})
        Type(box, text);
    Click("CheckBCD");  // time code: no baud rate, no first pin
    EXPECT_FALSE(Get<QComboBox>("ComboBaud")->isEnabled());
    EXPECT_FALSE(Get<QComboBox>("ComboAdjustPin0")->isEnabled());
    EXPECT_TRUE(Get<QComboBox>("ComboAdjustPin1")->isEnabled());
    Press(1);
    EXPECT_EQ(BoxText("TextHourAdjust") + " " + BoxText("TextMinute"), "10:00:00 0");
    for (auto [key, value] : {std::pair{"NumRec", "0"},
                              {"AlertLevelDB", "-50"},
                              {"MuonSec", "1"},
                              {"HourAdjust", "36000"},
                              {"AMinute", "0"},
                              {"AuditName_4", "ラジオ第２"},
                              {"MailAddr_8", "desk@example.com"},
                              {"MailAddr_1", "***"},
                              {"UseBCD", "1"},
                              {"DevInName_3", "USB Mic (unplugged)"}})
        EXPECT_EQ(IniFile(h.store->Path()).Read("conf", key).value_or("missing"), value) << key;
    EXPECT_EQ(calls, (std::vector<std::string>{"reopen", "applied"}));
    EXPECT_EQ(h.monitor->settings.numRec, 1);
    EXPECT_TRUE(h.monitor->settings.mailInUse);
    h.RunTicks(10);
    EXPECT_EQ(h.monitor->AlertActive[0], 1);
    EXPECT_FLOAT_EQ(h.monitor->Capture().RecGain[0], DecibelToGain(-6.0f));
    EXPECT_NE(h.window->PictureVU(1)->Pixmap().toImage(), meter);       // idle, yet renamed
    EXPECT_EQ(h.monitor->Clock().BroadcastTime().substr(0, 3), "33:");  // before a 10:00 start
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Open();  // the stored number of inputs, the gain as the memory has it
    EXPECT_EQ(BoxText("TextNumDev") + " " + BoxText("TextRecLevelDB0"), "1 -6.00");
}

// Mail ports are 16-bit signed settings: a listener below 32768 (ephemeral ports lie above).
bool ListenLow(QTcpServer& server) {
    for (quint16 port = 20000 + QRandomGenerator::global()->bounded(10000); port < 32768; ++port)
        if (server.listen(QHostAddress::LocalHost, port)) return true;
    return false;
}

// Typed but not confirmed: the test mail goes with input 2's address and name to a local
// server, the test webhook to each typed URL, each answer shown, and memory keeps its own
// values. Closing the dialog ends a mail session in progress.
TEST_F(ConfDialog, TestMailAndWebhookUseTheTypedValuesAndClosingEndsASession) {
    SmtpServer server("plain", "");
    testing::PythonServer hooks(SONIVEX_TEST_DATA "/webhook_server.py", {}, "json");
    const std::string base = "http://127.0.0.1:" + std::to_string(hooks.port);
    Start();
    Open();
    for (auto [box, text] : {std::pair<const char*, std::string>{"TextMailHost", "127.0.0.1"},
                             {"TextMailHostPort", std::to_string(server.port)},
                             {"TextMailUserName", ""},
                             {"TextMailAddr1", "desk@example.com"},
                             {"TextAuditName1", "AM 本線"},
                             {"TextWebhookUrl", base + "/ok; " + base + "/answer/404"}})
        Type(box, text);
    Click("ButtonTestMail");
    Click("ButtonTestWebhook");
    auto mailResult = [this] { return Get<QLabel>("LabelTestMail")->text().toStdString(); };
    ASSERT_TRUE(WaitUntil([&] { return mailResult() != FrmConf::kTestMailSending; }, 20000));
    EXPECT_EQ(mailResult(), FrmConf::kTestMailAccepted);
    ASSERT_EQ(server.Count(), 1);
    EXPECT_NE(server.Envelope(1).find("desk@example.com"), std::string::npos);
    EXPECT_EQ(Str(ParseWithPython(server.Message(1)), "subject"), "sonivex無音検出 AM 本線");
    ASSERT_TRUE(WaitUntil([this] { return Get("ButtonTestWebhook")->isEnabled(); }, 20000));
    const std::string shown = Get<QLabel>("LabelTestWebhook")->text().toStdString();
    EXPECT_NE(shown.find(base + "/ok: HTTP 200"), std::string::npos) << shown;
    EXPECT_NE(shown.find(base + "/answer/404: HTTP 404"), std::string::npos) << shown;
    EXPECT_EQ(h.monitor->settings.mailHost, kDefaultMailHost);
    EXPECT_TRUE(h.monitor->settings.webhookUrl.empty());

    QTcpServer silent;  // accepts and never greets
    ASSERT_TRUE(ListenLow(silent));
    Type("TextMailHostPort", std::to_string(silent.serverPort()));
    Click("ButtonTestMail");
    ASSERT_TRUE(WaitUntil([&silent] { return silent.hasPendingConnections(); }, 5000));
    QTcpSocket* peer = silent.nextPendingConnection();
    Press(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frm.isNull());
    EXPECT_TRUE(
        WaitUntil([peer] { return peer->state() == QAbstractSocket::UnconnectedState; }, 5000));
}

// What OK stores for each kind of typed text, the dialog opened on default settings. Ports that
// no ComN reaches follow the six names; a configured port that is unplugged stays.
TEST(ConfRules, TypedTextsStoreWhatTheRuleSaysAndDetectedPortsFollowTheNamedOnes) {
    using F = ConfFields&;
    const struct {
        std::function<void(ConfFields&)> type;
        const char* key;
        const char* stored;
    } cases[] = {{[](F f) { f.numDev = "0"; }, "NumRec", "1"},  // NumRec is |n - 1|
                 {[](F f) { f.freq = "-48000"; }, "nFreq", "48000"},
                 {[](F f) { f.alertLevelDB = "-42.5"; }, "AlertLevelDB", "-42"},
                 {[](F f) { f.alertLevelDB = "0x20"; }, "AlertLevelDB", "missing"},
                 {[](F f) { f.muonSecMono = "1e12"; }, "MuonSecMono", "86400"},
                 {[](F f) { f.sizeRate = "1.5"; }, "SizeRate", "1.50"},
                 {[](F f) { f.vuLevelTrim = "18"; }, "VULevelTrim", "-18"},
                 {[](F f) { f.hourAdjust = "04:00:00.5"; }, "HourAdjust", "14400"},
                 {[](F f) { f.hourAdjust = "24:00:00"; }, "HourAdjust", "18000"},
                 {[](F f) { f.rows[2].recLevelDB = "-6.5"; }, "RecLevelDB_3", "-6.5"},
                 {[](F f) { f.rows[0].devIn = "Sim In 4"; }, "DevInName_1", "Sim In 4"},
                 {[](F f) { f.mailHostPort = "40000"; }, "MailHostPort", "missing"},
                 {[](F f) { f.com = 2; }, "ComDevice", ""},
                 {[](F f) { f.baud = "fast"; }, "ComBaud", "38400"},
                 {[](F f) { f.adjustPin[1] = -1; }, "AdjustPin_2", "0"}};
    for (const auto& c : cases) {
        GuiHarness h;
        const auto audio = CreateSimBackend(h.clock, {});
        MonitorSettings memory;
        ConfFields fields = ShowConf(memory, *h.store, audio->Devices(), {}).fields;
        c.type(fields);
        ApplyConf(fields, memory, *h.store, audio->Devices());
        EXPECT_EQ(h.store->ReadSetting(c.key, "missing"), c.stored) << c.key;
    }
    GuiHarness h;
    const auto audio = CreateSimBackend(h.clock, {});
    const std::vector<SerialPortInfo> ports = {
        {"/dev/ttyS0", "", 1}, {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI-if00", 0}};
    h.Set("ComNo", "7");
    h.Set("ComDevice", "/dev/serial/by-id/usb-FTDI-if00");
    ConfView v = ShowConf({}, *h.store, audio->Devices(), ports);
    EXPECT_EQ(v.lists.com.Items(),
              (std::vector<std::string>{"NA", "Com1", "Com2", "Com3", "Com4", "Com5", "Com6",
                                        "/dev/serial/by-id/usb-FTDI-if00"}));
    EXPECT_EQ(v.fields.com, 7);
    h.Set("ComDevice", "/dev/ttyACM3");
    v = ShowConf({}, *h.store, audio->Devices(), ports);
    EXPECT_EQ(v.fields.com, 8);
    EXPECT_EQ(v.fields.comText, "/dev/ttyACM3");
}

}  // namespace
}  // namespace sonivex::testing
