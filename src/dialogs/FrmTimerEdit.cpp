// The schedule window's editor: time boxes, date or weekdays, and the add, overwrite and delete
// buttons with their checks.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>
#include <algorithm>
#include <functional>

#include "dialogs/FrmGetDate.h"
#include "dialogs/FrmTimer.h"
#include "monitor/Monitor.h"
#include "platform/MessageBox.h"
#include "support/Contain.h"
#include "support/basic.h"

namespace sonivex {

namespace {
constexpr char kBoxTitle[] = "sonivex";
constexpr size_t kSixDigits = 6;
}  // namespace

std::string SixDigitTime(const std::string& text) {
    if (text.size() != kSixDigits) return "";
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return "";
    return text.substr(0, 2) + ":" + text.substr(2, 2) + ":" + text.substr(4, 2);
}

std::string TimerEntryProblem(const TimerEntry& entry, int dayStartSec, const std::string& nowDate,
                              const std::string& nowTime) {
    if (!IsValidTimerTime(entry.start, dayStartSec) || !IsValidTimerTime(entry.end, dayStartSec))
        return kBadTimeMessage;
    if (entry.date.empty() && entry.weekdays == 0) return kNoDayMessage;
    if (!entry.date.empty() && entry.date + " " + entry.start < nowDate + " " + nowTime)
        return kPastMessage;
    return "";
}

// Six digits typed into a time box become hh:mm:ss at once.
void FrmTimer::Reformat(QLineEdit* box, const QString& text) {
    const std::string formatted = SixDigitTime(text.toStdString());
    if (!formatted.empty()) box->setText(QString::fromStdString(formatted));
}

void FrmTimer::ApplyCheckDate() {
    const bool byDate = checkDate_->isChecked();
    textDate_->setEnabled(byDate);
    for (QCheckBox* box : checkWD_) box->setEnabled(!byDate);
}

void FrmTimer::ShowEntry(int index) {
    if (index < 0 || index >= static_cast<int>(table_.Entries.size())) return;
    const TimerEntry& entry = table_.Entries[index];
    const bool known = entry.channel >= 0 && entry.channel < comboCh_->count();
    comboCh_->setCurrentIndex(known ? entry.channel : 0);
    textTime_[0]->setText(QString::fromStdString(entry.start));
    textTime_[1]->setText(QString::fromStdString(entry.end));
    const bool byDate = !entry.date.empty();
    checkDate_->setChecked(byDate);
    textDate_->setText(byDate ? QString::fromStdString(entry.date) : QString());
    for (int i = 0; i < 7; ++i) checkWD_[i]->setChecked(!byDate && ((entry.weekdays >> i) & 1));
    ApplyCheckDate();
}

void FrmTimer::PickDate() {
    const std::string chosen = FrmGetDate::Ask(this, textDate_->text().toStdString());
    if (chosen != kDateCanceled) textDate_->setText(QString::fromStdString(chosen));
}

// The editor's entry when it passes the checks; otherwise the reason is shown and false returned.
bool FrmTimer::TakeEditorEntry(TimerEntry& entry) {
    if (comboCh_->currentIndex() < 0) comboCh_->setCurrentIndex(0);
    entry.channel = std::max(0, comboCh_->currentIndex());
    entry.start = textTime_[0]->text().toStdString();
    entry.end = textTime_[1]->text().toStdString();
    entry.date.clear();
    entry.weekdays = 0;
    if (checkDate_->isChecked()) {
        entry.date = textDate_->text().toStdString();
    } else {
        for (int i = 0; i < 7; ++i)
            if (checkWD_[i]->isChecked()) entry.weekdays |= 1 << i;
    }
    const BroadcastClock& clock = monitor_.Clock();
    const std::string problem = TimerEntryProblem(entry, monitor_.settings.hourAdjust,
                                                  clock.BroadcastDate(), clock.BroadcastTime());
    if (problem.empty()) return true;
    CenteredMsgBox(problem, MB_OK | MB_ICONSTOP, kBoxTitle);
    return false;
}

std::vector<int> FrmTimer::SelectedIndexes() const {
    std::vector<int> rows;
    for (QTreeWidgetItem* item : listTimer_->selectedItems()) {
        const int row = listTimer_->indexOfTopLevelItem(item);
        if (row >= 0 && row < static_cast<int>(table_.Entries.size())) rows.push_back(row);
    }
    return rows;
}

int FrmTimer::SelectedIndex() const {
    QTreeWidgetItem* current = listTimer_->currentItem();
    if (current && current->isSelected()) return listTimer_->indexOfTopLevelItem(current);
    const std::vector<int> rows = SelectedIndexes();
    return rows.empty() ? -1 : *std::min_element(rows.begin(), rows.end());
}

void FrmTimer::AddClick() {
    Contained("FrmTimer add", [this] {
        TimerEntry entry;
        if (!TakeEditorEntry(entry)) return;
        table_.Entries.push_back(entry);
        FillList();
    });
}

void FrmTimer::OverwriteClick() {
    Contained("FrmTimer overwrite", [this] {
        const int index = SelectedIndex();
        if (index < 0 || index >= static_cast<int>(table_.Entries.size())) return;
        TimerEntry entry;
        if (!TakeEditorEntry(entry)) return;
        table_.Entries[index] = entry;
        FillList();
    });
}

// From the last index down, so that the indexes still to remove stay where they were.
void FrmTimer::DeleteClick() {
    Contained("FrmTimer delete", [this] {
        std::vector<int> rows = SelectedIndexes();
        if (rows.empty()) return;
        if (CenteredMsgBox(kDeleteQuestion, MB_YESNO | MB_ICONQUESTION, kBoxTitle) != IDYES) return;
        std::sort(rows.begin(), rows.end(), std::greater<int>());
        for (int row : rows) table_.Entries.erase(table_.Entries.begin() + row);
        FillList();
    });
}

}  // namespace sonivex
