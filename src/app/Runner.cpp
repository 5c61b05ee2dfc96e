// One run of the monitor on the Qt event loop.
#include "app/Runner.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "app/DataFolder.h"
#include "app/Demo.h"
#include "app/MailOutlet.h"
#include "app/QtMessageBox.h"
#include "app/SignalWatcher.h"
#include "app/SimSettings.h"
#include "app/WebhookOutlet.h"
#include "devices/ExternalDevices.h"
#include "dialogs/FrmConf.h"
#include "dialogs/ScheduleWindow.h"
#include "monitor/FrmMain.h"
#include "monitor/Monitor.h"
#include "monitor/SettingsStore.h"
#include "platform/AlsaDeviceList.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "service/ServiceRun.h"
#include "support/HeadlessMessageBox.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr int kTickMs = 100;
constexpr int kTicksPerMailTick = 10;
constexpr int64_t kLongestWaitMs = 3600 * 1000;  // a long quit timer is re-armed until its end

std::unique_ptr<AudioBackend> MakeBackend(const Options& o, SettingsStore* store,
                                          const std::string& dataFolder) {
    if (o.audio != "sim") return CreateAlsaBackend();
    SimOptions sim;
    if (store) sim = ReadSimOptions(*store, dataFolder);
    return CreateSimBackend(ProgramClock(), sim);
}

// Runs the ticks back to back on simulated time: each tick moves the clock 100 ms.
void StartFastTimers(Monitor& monitor, ServiceRun& service, FakeClock& clock, QObject* owner) {
    auto* timer = new QTimer(owner);
    timer->setInterval(0);
    auto ticks = std::make_shared<long>(0);
    QObject::connect(timer, &QTimer::timeout, owner, [&monitor, &service, &clock, ticks] {
        if (monitor.InTick()) return;
        clock.Advance(kTickMs);
        monitor.TimerProgTick();
        service.AfterTick(monitor);
        if (++*ticks % kTicksPerMailTick == 0) monitor.TimerMailTick();
    });
    timer->start();
}

void StartRealTimers(Monitor& monitor, ServiceRun& service, QObject* owner) {
    auto* prog = new QTimer(owner);
    prog->setTimerType(Qt::PreciseTimer);
    prog->setInterval(kTickMs);
    // The watchdog is petted only by a tick that ran to its end, so a stuck loop gets restarted.
    QObject::connect(prog, &QTimer::timeout, owner, [&monitor, &service] {
        if (monitor.InTick()) return;
        monitor.TimerProgTick();
        service.AfterTick(monitor);
    });
    auto* mail = new QTimer(owner);
    mail->setInterval(kTickMs * kTicksPerMailTick);
    QObject::connect(mail, &QTimer::timeout, owner, [&monitor] { monitor.TimerMailTick(); });
    prog->start();
    mail->start();
}

// Ends the run after `seconds` of program time. On simulated time the fast ticks check it; on
// real time one timer waits, so that an idle monitor costs nothing between ticks.
void StartQuitAfter(double seconds, bool fast, QObject* owner) {
    if (seconds < 0) return;
    const int64_t end = ProgramClock().MonotonicMs() + static_cast<int64_t>(seconds * 1000);
    auto* timer = new QTimer(owner);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!fast);
    auto arm = [end, fast, timer] {
        const int64_t left = end - ProgramClock().MonotonicMs();
        timer->start(fast ? 0 : static_cast<int>(std::clamp<int64_t>(left, 0, kLongestWaitMs)));
    };
    QObject::connect(timer, &QTimer::timeout, owner, [end, timer, arm] {
        if (ProgramClock().MonotonicMs() < end) {
            if (!timer->isActive()) arm();
            return;
        }
        timer->stop();
        QCoreApplication::quit();
    });
    arm();
}

// The data folder of this run, ready for use; "" with `error` and the exit code when not.
std::string PrepareFolder(const Options& o, const std::string& exePath, std::string& error,
                          int& code) {
    code = 1;
    if (o.demo && o.dir.empty()) {
        const std::string folder = MakeDemoFolder();
        if (!folder.empty() && WriteDemoSettings(folder)) return folder;
        error = "cannot make a demo folder in $TMPDIR";
        return "";
    }
    const std::string folder = ChooseDataFolder(o.dir, exePath);
    error = o.demo ? DemoRefusal(folder) : "";
    if (!error.empty()) {
        code = 2;
        return "";
    }
    const std::string why = MakeDataFolder(folder);
    if (!why.empty()) {
        error = "cannot use the data folder " + folder + ": " + why;
        return "";
    }
    if (o.demo) WriteDemoSettings(folder);
    return folder;
}

// The clock of this run: the system clock, or the same from another start, or simulated time.
void SetUpClock(const Options& o, SystemClock& systemClock, FakeClock& fakeClock) {
    LocalDateTime start;
    if (!o.clockStart.empty()) ParseDateTime(o.clockStart.c_str(), start);
    fakeClock.Set(o.clockStart.empty() ? systemClock.Now() : start);
    if (o.fast) {
        SetProgramClock(&fakeClock);
    } else if (!o.clockStart.empty()) {
        systemClock.StartAt(start);
        SetProgramClock(&systemClock);
    }
}

void SetUpLog(const std::string& folder, bool echo) {
    LogConfig log;
    log.folder = folder + "log/";
    if (echo) log.echo = [](const std::string& line) { std::cout << line << std::endl; };
    ConfigureLog(log);
}

// Timers, signals and the event loop around a started monitor; the loop's exit code.
int RunLoop(const Options& o, Monitor& monitor, ServiceRun& service, FakeClock& fakeClock) {
    QObject owner;
    SignalWatcher watcher;
    QObject::connect(&watcher, &SignalWatcher::Stop, &owner, [] { QCoreApplication::quit(); });
    if (o.fast)
        StartFastTimers(monitor, service, fakeClock, &owner);
    else
        StartRealTimers(monitor, service, &owner);
    StartQuitAfter(o.quitAfter, o.fast, &owner);
    return QCoreApplication::exec();
}

// The window (when there is one) and the message boxes that go with it.
struct Display {
    std::unique_ptr<FrmMain> window;
    std::unique_ptr<MessageBoxService> boxes;
};

// The mail and webhook outlets of a run.
struct Outlets {
    MailOutlet mail;
    WebhookOutlet webhooks;
};

// Mail is prepared once an input has recipients, webhooks once a URL is set, both only with
// ErrorCatch off: at start-up, or when the settings dialog adds the first one.
void OpenOutletsInUse(const Monitor& monitor, Outlets& out) {
    const MonitorSettings& s = monitor.settings;
    if (s.errorCatch != 0) return;
    if (!out.mail.IsOpen() && s.mailInUse) out.mail.Open(s);
    if (!out.webhooks.IsOpen() && !s.webhookUrl.empty()) out.webhooks.Open(s);
}

void AttachDialogs(FrmMain& window, Monitor& monitor, SettingsStore& store,
                   const AudioBackend& audio, ExternalDevices& devices, Outlets& out) {
    AttachScheduleWindow(window, monitor, store);
    ConfHost host;
    host.monitor = &monitor;
    host.store = &store;
    host.devices = &audio.Devices();
    host.reopenDevices = [&devices](const MonitorSettings& s) { devices.Reopen(s); };
    host.onApplied = [&monitor, &out] { OpenOutletsInUse(monitor, out); };
    AttachSettingsDialog(window, host);
}

Display MakeDisplay(bool gui) {
    Display d;
    if (gui) {
        d.window = CreateMainWindow();
        d.boxes = std::make_unique<QtMessageBox>(d.window.get());
    } else {
        d.boxes = std::make_unique<HeadlessMessageBox>();
    }
    SetMessageBoxService(d.boxes.get());
    return d;
}

}  // namespace

int RunMonitor(const Options& o, const std::string& exePath) {
    std::string error;
    int failCode = 0;
    const std::string folder = PrepareFolder(o, exePath, error, failCode);
    if (folder.empty()) {
        std::cerr << "sonivex: " << error << "\n";
        return failCode;
    }
    InstanceLock lock(folder);
    if (lock.Busy()) {
        std::cerr << "sonivex: already running on " << folder << "\n";
        return 0;
    }
    if (::chdir(folder.c_str()) != 0)
        std::cerr << "sonivex: cannot enter " << folder << ": " << std::strerror(errno) << "\n";
    SetAppPath(folder);
    if (o.demo) std::cout << "demo data folder: " << folder << std::endl;
    SystemClock systemClock;
    FakeClock fakeClock;
    SetUpClock(o, systemClock, fakeClock);
    SetUpLog(folder, !o.gui);
    Display display = MakeDisplay(o.gui);

    SettingsStore store(folder + "sonivex.ini");
    auto audio = MakeBackend(o, &store, folder);
    MonitorParts parts;
    parts.audio = audio.get();
    parts.store = &store;
    parts.view = display.window.get();
    parts.dataFolder = folder;
    parts.commonIniPath = CommonIniPath();
    // Opened by the monitor's start-up once its log is set up, and closed after the monitor:
    // its shutdown still switches the latches off.
    ExternalDevices devices;
    parts.openDevices = [&devices](const MonitorSettings& s, MonitorParts& p) {
        devices = OpenExternalDevices(s);
        p.hid = devices.hid.get();
        p.serial = devices.serial.get();
        p.external = devices.control.get();
    };
    Outlets out{MailOutlet(folder), WebhookOutlet(folder)};
    parts.mail = &out.mail;
    parts.webhook = &out.webhooks;
    int code = 0;
    {
        Monitor monitor(parts);
        if (display.window) {
            AttachMonitor(*display.window, monitor);
            AttachDialogs(*display.window, monitor, store, *audio, devices, out);
        }
        monitor.Startup();
        OpenOutletsInUse(monitor, out);
        if (display.window) display.window->show();
        ServiceRun service(monitor, &out.mail.Box(), &out.webhooks.Box(), kTickMs);
        service.Ready();
        code = RunLoop(o, monitor, service, fakeClock);
        service.Stopping();
        // A session or post still running is ended; its message stays in the spool.
        out.mail.Close();
        out.webhooks.Close();
        monitor.Shutdown();
    }
    SetMessageBoxService(nullptr);
    SetProgramClock(nullptr);
    return code;
}

int ListDevices(const Options& o) {
    auto audio = MakeBackend(o, nullptr, "");
    const DeviceList& devices = audio->Devices();
    for (const bool isInput : {true, false}) {
        std::cout << (isInput ? "capture devices:" : "output devices:") << "\n";
        const int count = devices.Count(isInput);
        for (int n = 0; n < count; ++n) {
            std::cout << "  " << n << "  " << devices.Name(isInput, n);
            const std::string id = devices.Id(isInput, n);
            if (id != devices.Name(isInput, n)) std::cout << "  [" << id << "]";
            if (const std::string sharing = SharingOf(id); !sharing.empty())
                std::cout << "  " << sharing;
            std::cout << "\n";
        }
        // ALSA always lists its "default", which alone reaches no card.
        if (count <= 0 || (count == 1 && devices.Id(isInput, 0) == "default"))
            std::cout << "  " << (count <= 0 ? "none found" : "no sound card found")
                      << ": is there a sound card, and is this user in the group 'audio'?\n"
                         "  (sudo usermod -aG audio $USER, then log in again)\n";
    }
    std::cout << ListExternalDevices();
    return 0;
}

}  // namespace sonivex
