// The mail spool: the cost of writing one message (atomically, flushed to disk) before its first
// attempt, and of reading a spool of 1,000 waiting messages at start-up.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "delivery/Spool.h"

namespace {

using sonivex::Spool;
using sonivex::SpoolEntry;

std::string TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-spool-XXXXXX").string();
    return std::string(::mkdtemp(pattern.data())) + "/";
}

SpoolEntry Entry() {
    SpoolEntry e;
    e.created = e.next = {2026, 12, 7, 9, 0, 0, 0};
    e.sender = "alert@station.example";
    e.recipients = "ops@x.example;night@y.example";
    e.subject = "sonivex無音検出 FM 本線";
    e.date = "Mon, 7 Dec 2026 09:00:00 +0900";
    e.messageId = "<20261207090000.1.1.0@station.example>";
    e.body =
        "警報\r\n2026/12/07 09:00:00 (監視PC内部時刻) \r\nSonivexが無音を検出しました。\r\n"
        "ch1 FM 本線 (両ch 15秒以上)";
    return e;
}

void BM_SpoolWriteOne(benchmark::State& state) {
    const std::string folder = TempFolder();
    Spool spool(folder);
    for (auto _ : state) {
        SpoolEntry e = Entry();
        benchmark::DoNotOptimize(spool.Write(e));
        spool.Remove(e);
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SpoolWriteOne)->Unit(benchmark::kMicrosecond);

void BM_SpoolLoad1000(benchmark::State& state) {
    const std::string folder = TempFolder();
    Spool spool(folder);
    for (int n = 0; n < 1000; ++n) {
        SpoolEntry e = Entry();
        e.input = n % 8;
        spool.Write(e);
    }
    for (auto _ : state) benchmark::DoNotOptimize(spool.Load(false).size());
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SpoolLoad1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
