// The main window's measured run: a monitor on simulated devices in real time with its window,
// wired as the program wires it; prints the process's CPU share and how often each meter and
// button was redrawn.
#include <sys/resource.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/QtMessageBox.h"
#include "app/SimSettings.h"
#include "controls/UC_Picture.h"
#include "controls/UC_TextButton.h"
#include "monitor/FrmMain.h"
#include "monitor/Monitor.h"
#include "monitor/SettingsStore.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "support/Log.h"
#include "support/basic.h"

namespace {

using namespace sonivex;

constexpr int kTickMs = 100;
constexpr int kMailTickMs = 1000;

double CpuSeconds() {
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

void StartTimers(Monitor& monitor, QObject* owner) {
    auto* prog = new QTimer(owner);
    prog->setTimerType(Qt::PreciseTimer);
    QObject::connect(prog, &QTimer::timeout, owner, [&monitor] { monitor.TimerProgTick(); });
    prog->start(kTickMs);
    auto* mail = new QTimer(owner);
    QObject::connect(mail, &QTimer::timeout, owner, [&monitor] { monitor.TimerMailTick(); });
    mail->start(kMailTickMs);
}

struct Counts {
    long renders = 0, paints = 0;
};

void Report(FrmMain& window, double cpu, double wall, const char* screenshot) {
    std::printf("wall_seconds %.1f\ncpu_seconds %.2f\ncpu_share_percent %.2f\n", wall, cpu,
                wall > 0 ? 100.0 * cpu / wall : 0.0);
    Counts buttons;
    for (int i = 0; i < window.Rows(); ++i) {
        std::printf("meter %d renders %d paints %d\n", i + 1, window.MeterRenders(i),
                    window.PictureVU(i)->Paints());
        buttons.paints += window.AuditButton(i)->Paints() + window.AlertButton(i)->Paints();
    }
    std::printf("button_paints %ld\nclock_paints %d\n", buttons.paints,
                window.TextClock()->Paints());
    if (screenshot && !window.grab().save(screenshot))
        std::fprintf(stderr, "measure_window: cannot write %s\n", screenshot);
}

int Run(const std::string& folder, double seconds, const char* screenshot) {
    SetAppPath(folder);
    LogConfig log;
    log.folder = folder + "log/";
    ConfigureLog(log);
    SettingsStore store(folder + "sonivex.ini");
    auto audio = CreateSimBackend(ProgramClock(), ReadSimOptions(store, folder));
    auto window = CreateMainWindow();
    QtMessageBox box(window.get());
    SetMessageBoxService(&box);
    MonitorParts parts;
    parts.audio = audio.get();
    parts.store = &store;
    parts.view = window.get();
    parts.dataFolder = folder;
    parts.commonIniPath = folder + "common.ini";
    Monitor monitor(parts);
    AttachMonitor(*window, monitor);
    monitor.Startup();
    window->show();
    QObject owner;
    StartTimers(monitor, &owner);
    QTimer::singleShot(static_cast<int>(seconds * 1000), &owner, [] { QCoreApplication::quit(); });
    const double cpu0 = CpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    QApplication::exec();
    const double cpu = CpuSeconds() - cpu0;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall0;
    Report(*window, cpu, wall.count(), screenshot);
    monitor.Shutdown();
    SetMessageBoxService(nullptr);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    double seconds = 60;
    const char* screenshot = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--dir")) folder = argv[i + 1];
        if (!std::strcmp(argv[i], "--seconds")) seconds = std::atof(argv[i + 1]);
        if (!std::strcmp(argv[i], "--screenshot")) screenshot = argv[i + 1];
    }
    if (folder.empty() || seconds <= 0) {
        std::fprintf(stderr,
                     "usage: measure_window --dir DATAFOLDER [--seconds S] "
                     "[--screenshot FILE.png]\n");
        return 2;
    }
    if (folder.back() != '/') folder += '/';
    QApplication app(argc, argv);
    return Run(folder, seconds, screenshot);
}
