// sonivex: silence monitor for broadcast audio.
#include <QCoreApplication>
#include <iostream>

#include "app/AnalyzeCommand.h"
#include "app/CommandLine.h"
#include "app/Runner.h"
#include "app/SendTestMail.h"

namespace sonivex {
const char* AppVersion();
}

int main(int argc, char** argv) {
    using namespace sonivex;
    Options options;
    std::string error;
    if (!ParseCommandLine(argc, argv, options, error)) {
        std::cerr << "sonivex: " << error << "\n" << UsageText();
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
    QCoreApplication app(argc, argv);
    if (!options.analyze.empty())
        return RunAnalyze(options, QCoreApplication::applicationFilePath().toStdString());
    if (options.listDevices) return ListDevices(options);
    if (options.sendTestMail > 0)
        return SendTestMail(options, QCoreApplication::applicationFilePath().toStdString());
    return RunMonitor(options, QCoreApplication::applicationFilePath().toStdString());
}
