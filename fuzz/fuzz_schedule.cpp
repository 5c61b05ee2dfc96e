// libFuzzer target: any bytes as the schedule file "sched.txt". Reading takes whatever lines it
// can; what is read, written and read again is the same schedule; evaluating it pauses only the
// inputs its entries name, and a well-formed dated entry covers its own start.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzFiles.h"
#include "monitor/Schedule.h"
#include "platform/CivilTime.h"

namespace {

using sonivex::TimerEntry;

constexpr size_t kEvaluatedEntries = 8;  // enough moments to evaluate at; each costs all entries

bool WellFormedDate(const std::string& date) {
    if (date.size() != 10 || date[4] != '/' || date[7] != '/') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (date[i] < '0' || date[i] > '9') return false;
    sonivex::LocalDateTime t;
    return sonivex::ParseDateTime((date + " 00:00:00").c_str(), t);
}

void CheckEvaluation(sonivex::ScheduleTable& table) {
    std::array<bool, 8> named{};
    for (const TimerEntry& e : table.Entries)
        if (e.channel >= 0 && e.channel < 8) named[e.channel] = true;
    for (size_t n = 0; n < table.Entries.size() && n < kEvaluatedEntries; ++n) {
        const TimerEntry e = table.Entries[n];
        sonivex::TimerTimeMs(e.start);
        sonivex::IsValidTimerTime(e.end, e.channel);
        std::array<int, 8> pause{};
        table.Evaluate(e.date.empty() ? "2026/03/01" : e.date, e.start, 8, pause);
        for (size_t c = 0; c < pause.size(); ++c)
            if (pause[c] != 0 && !named[c]) std::abort();
        const bool plain = WellFormedDate(e.date) && sonivex::TimerTimeMs(e.start) &&
                           sonivex::TimerTimeMs(e.end) && e.start < e.end;
        if (plain && !sonivex::EntryCovers(e, e.date, e.start)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = sonivex::fuzz::ScratchFolder() + sonivex::kScheduleFileName;
    const std::string copy = sonivex::fuzz::ScratchFolder() + "copy.txt";
    sonivex::fuzz::WriteBytes(path, data, size);
    sonivex::ScheduleTable read;
    if (read.InputTimer(path) != 1) std::abort();
    CheckEvaluation(read);
    // An empty schedule is written as no file at all.
    if (read.OutputTimer(copy) != 1) std::abort();
    sonivex::ScheduleTable again;
    if (again.InputTimer(copy) != (read.Entries.empty() ? 0 : 1)) std::abort();
    if (again.Entries != read.Entries) std::abort();
    return 0;
}
