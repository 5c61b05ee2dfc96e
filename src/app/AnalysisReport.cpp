// The analysis report as text or JSON.
#include "app/AnalysisReport.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "support/NumberText.h"

namespace sonivex {

namespace {

const char* KindText(int kind) {
    switch (kind) {
        case kAlertMono:
            return "mono input";
        case kAlertBoth:
            return "both channels";
        case kAlertLeft:
            return "left channel";
        case kAlertRight:
            return "right channel";
        default:
            return "";
    }
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Seconds(double s) {
    return FixedText(s, 1);
}

}  // namespace

std::string PositionText(double seconds) {
    const long tenths = std::lround(seconds * 10);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld.%ld", tenths / 36000, tenths / 600 % 60,
                  tenths / 10 % 60, tenths % 10);
    return text;
}

std::string AnalysisText(const std::string& path, const AnalysisResult& r,
                         const SilenceThresholds& t, bool mono) {
    std::ostringstream out;
    out << "# " << path << ": " << r.info.sampleRate << " Hz, " << r.info.channels << " ch, "
        << r.info.bitsPerSample << "-bit, "
        << PositionText(r.info.lengthFrames / double(r.info.sampleRate)) << "\n# AlertLevelDB "
        << t.alertLevelDB << ", MuonSec " << t.muonSec << ", MuonSecMono " << t.muonSecMono
        << ", HukkiSec " << t.hukkiSec << ", IsMono_1 " << (mono ? 1 : 0) << "\n";
    int alerts = 0;
    for (const AnalysisEvent& e : r.events) {
        out << PositionText(e.seconds);
        if (e.alert) {
            ++alerts;
            out << " alert kind " << e.kind << " (" << KindText(e.kind) << ") silent since "
                << PositionText(e.since) << "\n";
        } else {
            out << " cancel (audio restored) sound since " << PositionText(e.since) << "\n";
        }
    }
    out << "# " << alerts << " alert(s) in " << PositionText(r.analyzedSeconds)
        << (r.endInAlert ? ", still in alert at the end\n" : "\n");
    return out.str();
}

std::string AnalysisJson(const std::string& path, const AnalysisResult& r,
                         const SilenceThresholds& t, bool mono) {
    std::ostringstream out;
    out << "{\"file\": " << JsonString(path) << ", \"sampleRate\": " << r.info.sampleRate
        << ", \"channels\": " << r.info.channels << ", \"bitsPerSample\": " << r.info.bitsPerSample
        << ", \"analyzedSeconds\": " << Seconds(r.analyzedSeconds)
        << ",\n \"settings\": {\"alertLevelDB\": " << t.alertLevelDB
        << ", \"muonSec\": " << t.muonSec << ", \"muonSecMono\": " << t.muonSecMono
        << ", \"hukkiSec\": " << t.hukkiSec << ", \"isMono\": " << (mono ? 1 : 0)
        << "},\n \"events\": [";
    for (size_t n = 0; n < r.events.size(); ++n) {
        const AnalysisEvent& e = r.events[n];
        out << (n ? ",\n  " : "\n  ") << "{\"position\": \"" << PositionText(e.seconds)
            << "\", \"seconds\": " << Seconds(e.seconds);
        if (e.alert)
            out << ", \"event\": \"alert\", \"kind\": " << e.kind << ", \"cause\": \""
                << KindText(e.kind) << "\", \"silentSince\": " << Seconds(e.since) << "}";
        else
            out << ", \"event\": \"cancel\", \"reason\": \"audio restored\", \"soundSince\": "
                << Seconds(e.since) << "}";
    }
    out << (r.events.empty() ? "" : "\n ")
        << "],\n \"endInAlert\": " << (r.endInAlert ? "true" : "false") << "}\n";
    return out.str();
}

int AnalyzeFile(const std::string& path, const SilenceThresholds& t, bool mono, bool json,
                std::ostream& out, std::ostream& err, const std::function<void(double)>& progress) {
    const AnalysisResult r = AnalyzeRecording(path, t, mono, progress);
    if (!r.ok) {
        err << "sonivex: " << path << ": " << r.error
            << " (RIFF/WAVE, integer PCM of 8, 16 or 24 bits, 1, 2, 6 or 8 channels, "
            << kMinWaveRate << ".." << kMaxWaveRate << " Hz)\n";
        return 1;
    }
    out << (json ? AnalysisJson(path, r, t, mono) : AnalysisText(path, r, t, mono));
    return 0;
}

}  // namespace sonivex
