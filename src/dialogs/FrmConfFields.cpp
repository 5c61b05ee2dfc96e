// The settings dialog's controls filled from the shown values, and read back into fields on OK.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "dialogs/FrmConf.h"

namespace sonivex {

namespace {

void SetText(QLineEdit* box, const std::string& text) {
    box->setText(QString::fromStdString(text));
}

std::string Text(const QLineEdit* box) {
    return box->text().toStdString();
}

void SetCheck(QCheckBox* box, int value) {
    box->setChecked(value != 0);
}

int Check(const QCheckBox* box) {
    return box->isChecked() ? 1 : 0;
}

// The list's items and selection; an editable combo also shows `text` when nothing is selected
// (a stored value that the list lacks stays as it was).
void SetChoices(QComboBox* combo, const ChoiceList& list, const std::string* text = nullptr) {
    combo->clear();
    for (const std::string& item : list.Items()) combo->addItem(QString::fromStdString(item));
    combo->setCurrentIndex(list.Selected());
    if (text && list.Selected() < 0) combo->setEditText(QString::fromStdString(*text));
}

// The chosen item's text, "" when nothing is chosen.
std::string Chosen(const QComboBox* combo) {
    return combo->currentIndex() >= 0 ? combo->currentText().toStdString() : "";
}

}  // namespace

// One input's controls over the tabs "入力", "出力" and "メール".
void FrmConf::ShowRows(const ConfView& view) {
    for (int i = 0; i < kConfRows; ++i) {
        const ConfRow& row = view.fields.rows[i];
        const RowControls& r = c_.rows[i];
        SetText(r.auditName, row.auditName);
        SetChoices(r.devIn, view.lists.devIn[i]);
        SetText(r.recLevelDB, row.recLevelDB);
        SetCheck(r.isMono, row.isMono);
        SetChoices(r.devOut, view.lists.devOut[i]);
        SetText(r.playLevelDB, row.playLevelDB);
        SetText(r.fillerFile, row.fillerFile);
        SetText(r.mailAddr, row.mailAddr);
    }
}

void FrmConf::ReadRows(ConfFields& f) const {
    for (int i = 0; i < kConfRows; ++i) {
        ConfRow& row = f.rows[i];
        const RowControls& r = c_.rows[i];
        row.auditName = Text(r.auditName);
        row.devIn = Chosen(r.devIn);
        row.recLevelDB = Text(r.recLevelDB);
        row.isMono = Check(r.isMono);
        row.devOut = Chosen(r.devOut);
        row.playLevelDB = Text(r.playLevelDB);
        row.fillerFile = Text(r.fillerFile);
        row.mailAddr = Text(r.mailAddr);
    }
}

void FrmConf::ShowView(const ConfView& view) {
    const ConfFields& f = view.fields;
    const ConfLists& l = view.lists;
    SetText(c_.numDev, f.numDev);
    SetChoices(c_.freq, l.freq, &f.freq);
    SetText(c_.alertLevelDB, f.alertLevelDB);
    SetText(c_.muonSec, f.muonSec);
    SetText(c_.muonSecMono, f.muonSecMono);
    SetText(c_.hukkiSec, f.hukkiSec);
    SetText(c_.sizeRate, f.sizeRate);
    SetChoices(c_.altFont, l.altFont);
    SetText(c_.vuLevelTrim, f.vuLevelTrim);
    SetText(c_.hourAdjust, f.hourAdjust);
    SetCheck(c_.autoRec, f.autoRec);
    ShowRows(view);
    SetCheck(c_.useBeep, f.useBeep);
    SetText(c_.mailHost, f.mailHost);
    SetText(c_.mailSenderAddr, f.mailSenderAddr);
    SetText(c_.mailHostPort, f.mailHostPort);
    SetText(c_.mailLocalPort, f.mailLocalPort);
    SetChoices(c_.mailSecurity, l.mailSecurity);
    SetCheck(c_.mailTlsVerify, f.mailTlsVerify);
    SetText(c_.mailUserName, f.mailUserName);
    SetText(c_.mailPassWord, f.mailPassWord);
    SetCheck(c_.messageLang, f.messageLang);
    SetCheck(c_.mailAtRestoration, f.mailAtRestoration);
    SetText(c_.webhookUrl, f.webhookUrl);
    SetCheck(c_.webhookText, f.webhookText);
    SetText(c_.minute, f.minute);
    SetText(c_.second, f.second);
    SetText(c_.noAdjustSec, f.noAdjustSec);
    SetCheck(c_.useBCD, f.useBCD);
    SetChoices(c_.com, l.com);
    SetChoices(c_.baud, l.baud, &f.baud);
    SetChoices(c_.hid, l.hid);
    for (int k = 0; k < 2; ++k) SetChoices(c_.adjustPin[k], l.adjustPin[k]);
}

ConfFields FrmConf::ReadFields() const {
    ConfFields f;
    f.numDev = Text(c_.numDev);
    f.freq = c_.freq->currentText().toStdString();
    f.alertLevelDB = Text(c_.alertLevelDB);
    f.muonSec = Text(c_.muonSec);
    f.muonSecMono = Text(c_.muonSecMono);
    f.hukkiSec = Text(c_.hukkiSec);
    f.sizeRate = Text(c_.sizeRate);
    f.altFont = c_.altFont->currentIndex();
    f.vuLevelTrim = Text(c_.vuLevelTrim);
    f.hourAdjust = Text(c_.hourAdjust);
    f.autoRec = Check(c_.autoRec);
    ReadRows(f);
    f.useBeep = Check(c_.useBeep);
    f.mailHost = Text(c_.mailHost);
    f.mailSenderAddr = Text(c_.mailSenderAddr);
    f.mailHostPort = Text(c_.mailHostPort);
    f.mailLocalPort = Text(c_.mailLocalPort);
    f.mailSecurity = c_.mailSecurity->currentIndex();
    f.mailTlsVerify = Check(c_.mailTlsVerify);
    f.mailUserName = Text(c_.mailUserName);
    f.mailPassWord = Text(c_.mailPassWord);
    f.messageLang = Check(c_.messageLang);
    f.mailAtRestoration = Check(c_.mailAtRestoration);
    f.webhookUrl = Text(c_.webhookUrl);
    f.webhookText = Check(c_.webhookText);
    f.minute = Text(c_.minute);
    f.second = Text(c_.second);
    f.noAdjustSec = Text(c_.noAdjustSec);
    f.useBCD = Check(c_.useBCD);
    f.com = c_.com->currentIndex();
    f.comText = Chosen(c_.com);
    f.baud = c_.baud->currentText().toStdString();
    f.hid = c_.hid->currentIndex();
    for (int k = 0; k < 2; ++k) f.adjustPin[k] = c_.adjustPin[k]->currentIndex();
    return f;
}

}  // namespace sonivex
