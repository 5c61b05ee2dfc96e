// The schedule window: the list of timer entries and the editor that adds, overwrites and
// deletes them. It edits the monitor's table in place; the next evaluation sees every change.
#pragma once

#include <QStringList>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "monitor/Schedule.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace sonivex {

class Monitor;
class SettingsStore;

constexpr char kBadTimeMessage[] = "時刻の形式が不正です";
constexpr char kNoDayMessage[] = "録音日を指定してください";
constexpr char kPastMessage[] = "現在の日時以後を指定してください";
constexpr char kDeleteQuestion[] = "選択されたタイマーを削除しますか？";
constexpr int kTimerColumns = 4;
constexpr int32_t kDefaultColumnTwips = 1200;

// The weekday kanji of the set bits, Sunday first, without separator ("月金" for 34).
std::string WeekdayNames(int weekdays);
// The texts of an entry's list row: channel + 1, start, end, date or weekday names.
QStringList TimerRowTexts(const TimerEntry& entry);
// "hh:mm:ss" for a text of exactly six digits; "" for anything else.
std::string SixDigitTime(const std::string& text);
// Why an entry may not be stored (the first rule it breaks), or "" when it may: both times valid
// for the day start, a date or a weekday given, a date not before the broadcast date and time.
std::string TimerEntryProblem(const TimerEntry& entry, int dayStartSec, const std::string& nowDate,
                              const std::string& nowTime);

class FrmTimer : public QWidget {
  public:
    // A window of its own owned by `owner`, which deletes it; the monitor gives the inputs, the
    // day start and the broadcast clock.
    FrmTimer(const Monitor& monitor, ScheduleTable& table, SettingsStore& store,
             QWidget* owner = nullptr);
    ~FrmTimer() override;  // saves the column widths and the placement

    void FillList();  // rebuilds the rows from the table

  protected:
    void closeEvent(QCloseEvent* event) override;  // hides: the window lives with its owner
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildList();
    QWidget* BuildTimes();
    QWidget* BuildDays();
    QWidget* BuildButtons();
    void RestoreColumnWidths();
    void SaveColumnWidths();

    // The editor (FrmTimerEdit.cpp).
    void Reformat(QLineEdit* box, const QString& text);
    void ApplyCheckDate();
    void ShowEntry(int index);
    void PickDate();
    bool TakeEditorEntry(TimerEntry& entry);
    int SelectedIndex() const;  // the current row when selected, else the first selected; -1
    std::vector<int> SelectedIndexes() const;
    void AddClick();
    void OverwriteClick();
    void DeleteClick();

    const Monitor& monitor_;
    ScheduleTable& table_;
    SettingsStore& store_;
    QTreeWidget* listTimer_ = nullptr;
    QComboBox* comboCh_ = nullptr;
    std::array<QLineEdit*, 2> textTime_{};
    QCheckBox* checkDate_ = nullptr;
    QLineEdit* textDate_ = nullptr;
    std::array<QCheckBox*, 7> checkWD_{};
};

}  // namespace sonivex
