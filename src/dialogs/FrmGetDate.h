// The modal date dialog: a calendar on a starting date; the day the user picks is the answer.
#pragma once

#include <QDate>
#include <QDialog>
#include <string>

class QCalendarWidget;

namespace sonivex {

constexpr char kDateCanceled[] = "CANCELED";

class FrmGetDate : public QDialog {
  public:
    // Opens on `initial` when DateOfText finds a date in it, else on today of the program clock.
    FrmGetDate(QWidget* owner, const std::string& initial);

    // "yyyy/mm/dd" once a day was picked; "CANCELED" until then and after any other close.
    const std::string& Value() const { return value_; }
    QCalendarWidget* Calendar() const { return calendar_; }

    // Shows the dialog modally on `owner` and returns its Value().
    static std::string Ask(QWidget* owner, const std::string& initial);

  private:
    void Choose(QDate date);

    QCalendarWidget* calendar_ = nullptr;
    std::string value_ = kDateCanceled;
};

// The date a text names: at least 8 characters, not a plain number, and year/month/day with "/"
// or "-" between; an invalid QDate otherwise.
QDate DateOfText(const std::string& text);
// Today's calendar date on the program clock.
QDate ProgramToday();

}  // namespace sonivex
