// Silence state machine.
#include "monitor/SilenceDetector.h"

#include <algorithm>

namespace sonivex {

namespace {

void CountChannel(int& count, float peak, const SilenceThresholds& t) {
    if (peak >= t.alertLevelDB) {
        count = 0;
    } else {
        // The cap keeps a counter finite over months of silence. It lies above both thresholds
        // (and above 0), so that a long one-channel time or a zero time can still be reached.
        const int cap = std::max({t.muonSec, t.muonSecMono, 1}) * 10 * kBuffersPerSecond;
        count = std::min(count + 1, cap);
    }
}

int KindOf(const SilenceCounters& c, const SilenceThresholds& t, bool mono) {
    const int both = t.muonSec * kBuffersPerSecond;
    const int one = t.muonSecMono * kBuffersPerSecond;
    if (mono) return c.silentLeft > both ? kAlertMono : kAlertNone;
    if (c.silentLeft > both && c.silentRight > both) return kAlertBoth;
    if (c.silentLeft > one) return kAlertLeft;
    if (c.silentRight > one) return kAlertRight;
    return kAlertNone;
}

}  // namespace

SilenceDecision SilenceStep(SilenceCounters& counters, const SilenceThresholds& t, bool mono,
                            float peakLeft, float peakRight, bool capturing, bool alertActive) {
    CountChannel(counters.silentLeft, peakLeft, t);
    CountChannel(counters.silentRight, peakRight, t);
    SilenceDecision d;
    d.kind = KindOf(counters, t, mono);
    if (d.kind != kAlertNone) {
        counters.sound = 0;
        d.raise = capturing && !alertActive;
    } else if (t.hukkiSec > 0) {
        const int needed = t.hukkiSec * kBuffersPerSecond;
        counters.sound = std::min(counters.sound + 1, needed);
        d.cancel = counters.sound >= needed && alertActive;
    }
    return d;
}

}  // namespace sonivex
