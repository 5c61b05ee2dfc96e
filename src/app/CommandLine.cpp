// Command line parsing: every mistake is named, nothing is guessed.
#include "app/CommandLine.h"

#include <cstdlib>
#include <utility>

#include "platform/CivilTime.h"
#include "support/NumberText.h"

namespace sonivex {

const char* SynopsisText() {
    return "usage: sonivex [--dir DIR] [--headless] [--audio alsa|sim] [--clock-start T] [--fast]\n"
           "               [--quit-after SECONDS]\n"
           "       sonivex --demo [--dir DIR] [--headless] [--fast] [--quit-after SECONDS]\n"
           "       sonivex --list-devices [--audio alsa|sim]\n"
           "       sonivex --analyze FILE.wav [--dir DIR] [--json]\n"
           "       sonivex --send-test-mail N [--dir DIR]\n"
           "       sonivex --mail-queue [--dir DIR]\n"
           "       sonivex --send-test-webhook [--dir DIR]\n"
           "       sonivex --version | --help\n";
}

std::string UsageText() {
    return std::string(SynopsisText()) +
           "\n"
           "  --dir DIR            data folder: settings, schedule, logs (default "
           "~/.config/sonivex)\n"
           "  --headless           no window: message boxes become log lines, log lines go to "
           "stdout\n"
           "  --audio alsa|sim     ALSA devices (default) or the simulated Sim In/Sim Out "
           "devices\n"
           "  --demo               simulated inputs that go silent, on a new folder in $TMPDIR\n"
           "  --clock-start T      the program clock starts at local time T, "
           "\"yyyy/mm/dd hh:mm:ss\"\n"
           "  --fast               simulated time, as fast as the machine allows (needs --audio "
           "sim)\n"
           "  --quit-after S       orderly shutdown after S seconds of program time\n"
           "  --list-devices       list capture and output devices, serial ports and HID devices\n"
           "  --analyze FILE.wav   run input 1's silence rules over a recording and print the "
           "alerts\n"
           "  --json               with --analyze: the result as JSON\n"
           "  --send-test-mail N   mail input N's (1..8) test alert now and print the dialogue\n"
           "  --mail-queue         list the mails and webhook posts that wait in the spool, and "
           "exit\n"
           "  --send-test-webhook  post a test event to every WebhookUrl now and print the "
           "answers\n"
           "  --version            print the version\n"
           "  --help               this text\n";
}

namespace {

bool TakeValue(int argc, char** argv, int& n, std::string& value, std::string& error) {
    if (n + 1 >= argc) {
        error = std::string(argv[n]) + " needs a value";
        return false;
    }
    value = argv[++n];
    return true;
}

// Which options go with which run: the monitor (--demo included), --analyze, --send-test-mail
// (and --mail-queue, --send-test-webhook), --list-devices. An option that would be ignored is
// refused instead.
struct Fit {
    const char* option;
    bool monitor, analyze, mail, list;
};
constexpr Fit kFits[] = {
    {"--dir", true, true, true, false},    {"--headless", true, false, false, false},
    {"--audio", true, false, false, true}, {"--clock-start", true, false, false, false},
    {"--fast", true, false, false, false}, {"--quit-after", true, false, false, false},
    {"--json", false, true, false, false},
};

bool Given(const Options& o, const std::string& option) {
    if (option == "--dir") return !o.dir.empty();
    if (option == "--headless") return o.headless;
    if (option == "--audio") return o.audio != "alsa";
    if (option == "--clock-start") return !o.clockStart.empty();
    if (option == "--fast") return o.fast;
    if (option == "--quit-after") return o.quitAfter >= 0;
    return o.json;
}

bool CheckModes(const Options& o, std::string& error) {
    std::string modes;
    for (const auto& [name, on] : {std::pair{"--demo", o.demo},
                                   {"--list-devices", o.listDevices},
                                   {"--analyze", !o.analyze.empty()},
                                   {"--send-test-mail", o.sendTestMail > 0},
                                   {"--mail-queue", o.mailQueue},
                                   {"--send-test-webhook", o.sendTestWebhook}})
        if (on) modes += modes.empty() ? name : std::string(" and ") + name;
    if (modes.find(" and ") != std::string::npos) {
        error = modes + " exclude each other";
        return false;
    }
    const std::string mode = modes.empty() || modes == "--demo" ? "a monitor run" : modes;
    for (const Fit& f : kFits) {
        const bool fits = !o.analyze.empty()                                       ? f.analyze
                          : o.sendTestMail > 0 || o.mailQueue || o.sendTestWebhook ? f.mail
                          : o.listDevices                                          ? f.list
                                                                                   : f.monitor;
        if (fits || !Given(o, f.option)) continue;
        error = std::string(f.option) + " does not go with " + mode;
        return false;
    }
    return true;
}

bool CheckOptions(Options& o, std::string& error) {
    if (o.audio != "alsa" && o.audio != "sim") {
        error = "--audio must be alsa or sim, not '" + o.audio + "'";
        return false;
    }
    if (!CheckModes(o, error)) return false;
    if (o.demo) o.audio = "sim";
    LocalDateTime t;
    if (!o.clockStart.empty() && !ParseDateTime(o.clockStart.c_str(), t)) {
        error = "--clock-start needs \"yyyy/mm/dd hh:mm:ss\", not '" + o.clockStart + "'";
        return false;
    }
    if (o.fast && o.audio != "sim") {
        error = "--fast runs on simulated time and needs --audio sim (or --demo)";
        return false;
    }
    return true;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, Options& o, std::string& error) {
    for (int n = 1; n < argc; ++n) {
        const std::string arg = argv[n];
        std::string value;
        if (arg == "--dir") {
            if (!TakeValue(argc, argv, n, o.dir, error)) return false;
        } else if (arg == "--audio") {
            if (!TakeValue(argc, argv, n, o.audio, error)) return false;
        } else if (arg == "--analyze") {
            if (!TakeValue(argc, argv, n, o.analyze, error)) return false;
        } else if (arg == "--send-test-mail") {
            if (!TakeValue(argc, argv, n, value, error)) return false;
            char* end = nullptr;
            const long input = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || input < 1 || input > 8) {
                error = "--send-test-mail needs an input number 1..8, not '" + value + "'";
                return false;
            }
            o.sendTestMail = static_cast<int>(input);
        } else if (arg == "--mail-queue") {
            o.mailQueue = true;
        } else if (arg == "--send-test-webhook") {
            o.sendTestWebhook = true;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "--clock-start") {
            if (!TakeValue(argc, argv, n, o.clockStart, error)) return false;
        } else if (arg == "--quit-after") {
            if (!TakeValue(argc, argv, n, value, error)) return false;
            if (!NumericText(value, o.quitAfter) || o.quitAfter < 0) {
                error = "--quit-after needs a number of seconds, not '" + value + "'";
                return false;
            }
        } else if (arg == "--headless") {
            o.headless = true;
        } else if (arg == "--demo") {
            o.demo = true;
        } else if (arg == "--fast") {
            o.fast = true;
        } else if (arg == "--list-devices") {
            o.listDevices = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    return CheckOptions(o, error);
}

}  // namespace sonivex
