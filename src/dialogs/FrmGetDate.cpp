// The date dialog on a calendar that marks today and starts its weeks on Sunday.
#include "dialogs/FrmGetDate.h"

#include <QCalendarWidget>
#include <QTextCharFormat>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "platform/Clock.h"

namespace sonivex {

namespace {
constexpr char kTitle[] = "日付の選択";
constexpr int kMinDateChars = 8;
const QColor kTodayBack(255, 236, 160);
const QSize kMinCalendarPx(280, 210);
}  // namespace

QDate DateOfText(const std::string& text) {
    const QString trimmed = QString::fromStdString(text).trimmed();
    const std::string plain = trimmed.toStdString();
    if (static_cast<int>(trimmed.size()) < kMinDateChars) return {};
    if (std::all_of(plain.begin(), plain.end(), [](unsigned char c) { return std::isdigit(c); }))
        return {};
    for (const char* format : {"yyyy/M/d", "yyyy-M-d"}) {
        const QDate date = QDate::fromString(trimmed, QString::fromLatin1(format));
        if (date.isValid()) return date;
    }
    return {};
}

QDate ProgramToday() {
    const LocalDateTime now = ProgramClock().Now();
    return QDate(now.year, now.month, now.day);
}

FrmGetDate::FrmGetDate(QWidget* owner, const std::string& initial) : QDialog(owner) {
    setObjectName("FrmGetDate");
    setWindowTitle(QString::fromUtf8(kTitle));
    calendar_ = new QCalendarWidget(this);
    calendar_->setObjectName("Calendar");
    calendar_->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    calendar_->setFirstDayOfWeek(Qt::Sunday);
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar_->setGridVisible(true);
    calendar_->setMinimumSize(kMinCalendarPx);
    const QDate today = ProgramToday();
    QTextCharFormat mark;
    mark.setFontWeight(QFont::Bold);
    mark.setBackground(kTodayBack);
    calendar_->setDateTextFormat(today, mark);
    const QDate start = DateOfText(initial);
    calendar_->setSelectedDate(start.isValid() ? start : today);
    // One click on a day picks it, as does Enter or a double click: the calendar's own
    // navigation (month buttons, arrow keys) only moves the selection.
    connect(calendar_, &QCalendarWidget::clicked, this, &FrmGetDate::Choose);
    connect(calendar_, &QCalendarWidget::activated, this, &FrmGetDate::Choose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(calendar_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void FrmGetDate::Choose(QDate date) {
    if (!date.isValid()) return;
    value_ = date.toString(QStringLiteral("yyyy/MM/dd")).toStdString();
    accept();
}

std::string FrmGetDate::Ask(QWidget* owner, const std::string& initial) {
    FrmGetDate dialog(owner, initial);
    dialog.exec();
    return dialog.Value();
}

}  // namespace sonivex
