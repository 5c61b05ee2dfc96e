// Drives the modal date dialog from inside its own loop: a zero timer acts on it once it is up as
// a user would; a later timer closes one left open, so that no test can hang.
#pragma once

#include <QApplication>
#include <QCalendarWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

#include <gtest/gtest.h>

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

// Clicks `day` of the month shown. The months around it show only in the first week (numbers
// above 7) and in the last two weeks (numbers below 15).
inline void ClickDay(FrmGetDate& dialog, int day) {
    auto* view = dialog.Calendar()->findChild<QTableView*>();
    const QAbstractItemModel* model = view->model();
    for (int r = 0, firstWeek = -1; r < model->rowCount(); ++r) {
        for (int c = 0; c < model->columnCount(); ++c) {
            bool number = false;
            const int value = model->index(r, c).data().toInt(&number);
            if (number && firstWeek < 0) firstWeek = r;
            if (!number || value != day || (r == firstWeek && value > 7) ||
                (r >= firstWeek + 4 && value < 15))
                continue;
            const QPoint at = view->visualRect(model->index(r, c)).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            return;
        }
    }
    ADD_FAILURE() << "no day " << day;
}

}  // namespace sonivex::testing
