// Acts on the modal date dialog from inside its own loop; one left open is closed after 5 s.
#pragma once

#include <QApplication>
#include <QCalendarWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

#include "dialogs/FrmGetDate.h"

namespace sonivex::testing {

inline void WhenDateDialogOpens(QObject* context, std::function<void(FrmGetDate&)> act) {
    auto find = [] { return dynamic_cast<FrmGetDate*>(QApplication::activeModalWidget()); };
    QTimer::singleShot(0, context, [act, find] {
        if (FrmGetDate* dialog = find()) act(*dialog);
    });
    QTimer::singleShot(5000, context, [find] {
        if (FrmGetDate* dialog = find()) dialog->reject();
    });
}

// Clicks the day's cell, brought into view by selecting it first.
inline void ClickDay(FrmGetDate& dialog, const QDate& day) {
    dialog.Calendar()->setSelectedDate(day);
    auto* view = dialog.Calendar()->findChild<QTableView*>();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->currentIndex()).center());
}

}  // namespace sonivex::testing
