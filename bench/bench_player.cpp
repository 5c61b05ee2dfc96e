// CPU cost of the filler player: a looping stereo 48 kHz 16-bit file streamed to a simulated
// output on the system clock, serviced every 100 ms as the main timer does, for a wall-clock
// duration (60 s unless given in seconds as the first argument; a second argument sets UsePeakVol).
// Prints CPU seconds / wall seconds.
#include <time.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/WavWriter.h"
#include "playback/C_WaveOut.h"

namespace {

constexpr int kRate = 48000;
constexpr int kFileSeconds = 10;
constexpr auto kTick = std::chrono::milliseconds(100);

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

bool WriteNoise(const std::string& path) {
    sonivex::WaveFormat format;
    format.samplesPerSec = kRate;
    format.avgBytesPerSec = kRate * 4;
    std::mt19937 random(1);
    std::vector<uint8_t> bytes(static_cast<size_t>(kRate) * kFileSeconds * 4);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    sonivex::WavWriter writer;
    return writer.Create(path, format) && writer.Append(bytes.data(), bytes.size()) &&
           writer.Flush();
}

// The monitor's own filler settings.
void Configure(sonivex::C_WaveOut& player, int usePeakVol) {
    player.BufferPagemsec(150);
    player.NumBufferPages(60);
    player.NumDiskBufferPages(20);
    player.NumBufferToPlay(10);
    player.NoClose(1);
    player.DeviceID(0);
    player.Init();
    player.UsePeakVol(usePeakVol);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const int usePeakVol = argc > 2 ? std::atoi(argv[2]) : 0;
    const std::string path =
        (std::filesystem::temp_directory_path() / "sonivex-bench-player.wav").string();
    if (!WriteNoise(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    auto backend = sonivex::CreateSimBackend(sonivex::ProgramClock(), sonivex::SimOptions{});
    sonivex::C_WaveOut player(*backend);
    Configure(player, usePeakVol);
    player.FileName(path);
    player.LoopOn(1);

    const double cpu0 = CpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    if (player.Play() != 1) {
        std::fprintf(stderr, "Play failed\n");
        return 1;
    }
    auto next = wall0;
    while (std::chrono::duration<double>(next - wall0).count() < seconds) {
        next += kTick;
        std::this_thread::sleep_until(next);
        player.ProgressionPlay();
    }
    const int position = player.Position(0);
    player.StopIO(1);
    const double cpu = CpuSeconds() - cpu0;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    std::printf(
        "played %.1f s of a looping stereo 48 kHz 16-bit file, UsePeakVol %d "
        "(position %d ms)\n",
        wall, usePeakVol, position);
    std::printf("CPU %.4f s / wall %.3f s = %.4f%%\n", cpu, wall, 100.0 * cpu / wall);
    std::filesystem::remove(path);
    return 0;
}
