// The settings dialog: five tabs with every user setting, opened without modality from the main
// window's menu; OK writes the settings, updates the running monitor and reopens the devices.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "dialogs/ConfApply.h"
#include "platform/DeviceRoots.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QPushButton;
class QTabWidget;

namespace sonivex {

class FrmMain;
class Monitor;
class SettingsStore;
class SmtpSession;
class UC_WinSock;

struct ConfHost {
    Monitor* monitor = nullptr;           // required
    SettingsStore* store = nullptr;       // required
    const DeviceList* devices = nullptr;  // required: the audio devices of the run
    // After OK, with the new settings: the serial port, then the HID box.
    std::function<void(const MonitorSettings&)> reopenDevices;
    std::function<void()> onApplied;  // after OK, once everything is written and reopened
    DeviceRoots roots;                // where serial ports are looked for
};

class FrmConf : public QDialog {
    Q_OBJECT

  public:
    FrmConf(QWidget* owner, ConfHost host);
    ~FrmConf() override;

    static constexpr char kTestMailSending[] = "送信中…";
    static constexpr char kTestMailAccepted[] = "送信しました（サーバーが受理）";
    static constexpr char kTestMailFailed[] = "送信できませんでした: ";
    static constexpr char kTestMailNoRecipient[] = "メール送信先がありません";
    static constexpr char kTestWebhookNoUrl[] = "Webhook URL がありません";
    static constexpr int kTestWebhookTimeoutMs = 10000;

  private:
    struct RowControls {
        QLineEdit* auditName = nullptr;
        QComboBox* devIn = nullptr;
        QLineEdit* recLevelDB = nullptr;
        QCheckBox* isMono = nullptr;
        QComboBox* devOut = nullptr;
        QLineEdit* playLevelDB = nullptr;
        QLineEdit* fillerFile = nullptr;
        QLineEdit* mailAddr = nullptr;
    };
    struct Controls {
        QLineEdit *numDev, *alertLevelDB, *muonSec, *muonSecMono, *hukkiSec, *sizeRate;
        QLineEdit *vuLevelTrim, *hourAdjust;
        QComboBox *freq, *altFont;
        QCheckBox* autoRec;
        std::array<RowControls, kConfRows> rows;
        QCheckBox* useBeep;
        QLineEdit *mailHost, *mailSenderAddr, *mailHostPort, *mailLocalPort, *mailUserName;
        QLineEdit* mailPassWord;
        QComboBox* mailSecurity;
        QCheckBox *mailTlsVerify, *messageLang, *mailAtRestoration;
        QPushButton* testMail;
        QLabel* testMailResult;
        QLineEdit* webhookUrl;
        QCheckBox* webhookText;
        QPushButton* testWebhook;
        QLabel* testWebhookResult;
        QLineEdit *minute, *second, *noAdjustSec;
        QCheckBox* useBCD;
        QComboBox *com, *baud, *hid;
        std::array<QComboBox*, 2> adjustPin;
    };

    // One builder per tab (FrmConfTabs.cpp).
    QWidget* BuildGeneral();
    QWidget* BuildInputs();
    QWidget* BuildOutputs();
    QWidget* BuildMail();
    QWidget* BuildExternal();
    void AddFillerBox(QGridLayout* grid, int row, int i);
    void AddRecipients(QGridLayout* grid, int testMailRow);
    void AddWebhook(QGridLayout* grid, int row);

    // Controls and fields (FrmConfFields.cpp).
    void ShowView(const ConfView& view);
    void ShowRows(const ConfView& view);
    ConfFields ReadFields() const;
    void ReadRows(ConfFields& fields) const;

    void ApplyBcdRule();
    void OnButton(int index);
    void Apply();
    void SendTestMail();  // FrmConfMail.cpp
    void OnTestMailDone(bool accepted, const std::string& failure);
    void SendTestWebhook();  // FrmConfMail.cpp

    ConfHost host_;
    Controls c_{};
    QTabWidget* tabs_ = nullptr;
    std::unique_ptr<UC_WinSock> tcp_;  // the test mail's connection, made on first use
    std::unique_ptr<SmtpSession> session_;
    std::unique_ptr<QNetworkAccessManager> net_;  // the test webhook's, made on first use
    bool closing_ = false;
};

// Sets window.onMenuConf: the first click opens the dialog, owned by the window; a click while it
// is open brings the same one forward. It is destroyed when closed.
void AttachSettingsDialog(FrmMain& window, ConfHost host);

}  // namespace sonivex
