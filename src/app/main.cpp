// sonivex: silence monitor for broadcast audio.
#include <QApplication>
#include <QCoreApplication>
#include <clocale>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/AnalyzeCommand.h"
#include "app/CommandLine.h"
#include "app/MailQueueCommand.h"
#include "app/Runner.h"
#include "app/SendTestMail.h"
#include "app/SendTestWebhook.h"

namespace sonivex {
const char* AppVersion();
}

namespace {

// A window needs somewhere to appear: an X or Wayland display, or a Qt platform chosen by hand.
bool DisplayAvailable() {
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* v = std::getenv(var);
        if (v && *v) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace sonivex;
    Options options;
    std::string error;
    if (!ParseCommandLine(argc, argv, options, error)) {
        std::cerr << "sonivex: " << error << "\n"
                  << SynopsisText() << "(sonivex --help explains each option)\n";
        return 2;
    }
    if (options.help) {
        std::cout << UsageText();
        return 0;
    }
    if (options.version) {
        std::cout << "sonivex " << AppVersion() << "\n";
        return 0;
    }
    const bool monitorRun = options.analyze.empty() && !options.listDevices &&
                            options.sendTestMail == 0 && !options.mailQueue &&
                            !options.sendTestWebhook;
    options.gui = monitorRun && !options.headless && DisplayAvailable();
    std::unique_ptr<QCoreApplication> app;
    if (options.gui)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    // Qt has just adopted the environment's locale for the C library; a decimal comma there would
    // reach any printf or strtod that the program's own number texts do not cover.
    std::setlocale(LC_NUMERIC, "C");
    const std::string exePath = QCoreApplication::applicationFilePath().toStdString();
    if (!options.analyze.empty()) return RunAnalyze(options, exePath);
    if (options.listDevices) return ListDevices(options);
    if (options.sendTestMail > 0) return SendTestMail(options, exePath);
    if (options.mailQueue) return ListMailQueue(options, exePath);
    if (options.sendTestWebhook) return SendTestWebhook(options, exePath);
    return RunMonitor(options, exePath);
}
