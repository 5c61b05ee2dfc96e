// Opening the schedule window from the main window.
#include "dialogs/ScheduleWindow.h"

#include <QCoreApplication>
#include <QPointer>
#include <memory>

#include "dialogs/FrmTimer.h"
#include "monitor/FrmMain.h"
#include "monitor/Monitor.h"

namespace sonivex {

void AttachScheduleWindow(FrmMain& window, Monitor& monitor, SettingsStore& store) {
    auto timer = std::make_shared<QPointer<FrmTimer>>();
    window.onMenuTimer = [&window, &monitor, &store, timer] {
        ScheduleTable* table = monitor.Schedule();
        if (!table) return;
        if (!*timer) {
            *timer = new FrmTimer(monitor, *table, store, &window);
            if (QCoreApplication::instance())
                QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                                 &window, [timer] { delete timer->data(); });
        }
        FrmTimer* frm = timer->data();
        frm->show();
        frm->raise();
        frm->activateWindow();
    };
}

}  // namespace sonivex
