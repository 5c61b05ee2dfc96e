// The command line of sonivex.
#pragma once

#include <string>

namespace sonivex {

struct Options {
    std::string dir;             // --dir
    bool headless = false;       // --headless
    bool gui = false;            // a window: not headless, and a display to show it on
    std::string audio = "alsa";  // --audio alsa|sim
    bool demo = false;
    std::string clockStart;  // --clock-start "yyyy/mm/dd hh:mm:ss"
    bool fast = false;
    double quitAfter = -1;  // --quit-after SECONDS of program time; < 0 = run on
    bool listDevices = false;
    std::string analyze;           // --analyze FILE.wav
    bool json = false;             // --json (with --analyze)
    int sendTestMail = 0;          // --send-test-mail N: input 1..8; 0 = none
    bool mailQueue = false;        // --mail-queue
    bool sendTestWebhook = false;  // --send-test-webhook
    bool version = false;
    bool help = false;
};

// Parses argv; false with a message in `error` for a bad command line.
bool ParseCommandLine(int argc, char** argv, Options& options, std::string& error);
const char* SynopsisText();  // the forms of the command line
std::string UsageText();     // the same and one line per option

}  // namespace sonivex
