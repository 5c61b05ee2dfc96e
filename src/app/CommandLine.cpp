// Command line parsing: every mistake is named, nothing is guessed.
#include "app/CommandLine.h"

#include <cstdlib>

#include "platform/CivilTime.h"

namespace sonivex {

const char* UsageText() {
    return "usage: sonivex [--dir DIR] [--headless] [--audio alsa|sim] [--demo]\n"
           "               [--clock-start \"yyyy/mm/dd hh:mm:ss\"] [--fast] [--quit-after "
           "SECONDS]\n"
           "               [--list-devices] [--version] [--help]\n"
           "       sonivex --analyze FILE.wav [--dir DIR] [--json]\n"
           "       sonivex --send-test-mail N [--dir DIR]\n"
           "       sonivex --mail-queue [--dir DIR]\n";
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

bool CheckOptions(Options& o, std::string& error) {
    if (o.audio != "alsa" && o.audio != "sim") {
        error = "--audio must be alsa or sim, not '" + o.audio + "'";
        return false;
    }
    if (o.demo) o.audio = "sim";
    LocalDateTime t;
    if (!o.clockStart.empty() && !ParseDateTime(o.clockStart.c_str(), t)) {
        error = "--clock-start needs \"yyyy/mm/dd hh:mm:ss\", not '" + o.clockStart + "'";
        return false;
    }
    if (o.json && o.analyze.empty()) {
        error = "--json goes with --analyze";
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
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "--clock-start") {
            if (!TakeValue(argc, argv, n, o.clockStart, error)) return false;
        } else if (arg == "--quit-after") {
            if (!TakeValue(argc, argv, n, value, error)) return false;
            char* end = nullptr;
            o.quitAfter = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || *end != '\0' || o.quitAfter < 0) {
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
