// The two-track recording's goals, measured:
//   bw_two_track_bench alignment [MINUTES] [PPM]
//     simulates a microphone on the monotonic clock and this computer's sound drifting by PPM
//     (default 100) for MINUTES (default 60), both with 3 ms of jitter on their capture times
//     and a shared click every 10 s, through the tracks' timelines; prints the largest and the
//     last distance between the two tracks' clicks and the drift measured.
//   bw_two_track_bench capture one|two [SECONDS]
//     records from the sound server's default source (and, with "two", the default output's
//     monitor) through the recording pipelines, as the recorder does, and prints the process's
//     CPU share of one core.
//   bw_two_track_bench cancel MICROPHONE SYSTEM OUTPUT
//     writes the microphone's track without the echo of this computer's sound, as a two-track
//     transcription does before recognising it (bench/two_track_speed.sh times it).
#include "platform/monotonic_clock.h"
#include "recording/recorder_model.h"
#include "recording/recording_pipeline.h"
#include "recording/track_timeline.h"
#include "transcription/echo_canceller.h"

#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double rate = 16000;

// Timeline positions of every click a simulated source puts on its track.
std::vector<double> clickPositions(double minutes, double ppm, unsigned seed) {
    const double origin = 1000;
    bw::TrackTimeline timeline(origin);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> jitter(-0.003, 0.003);
    const double deviceRate = rate * (1 + ppm * 1e-6);
    const auto total = static_cast<std::int64_t>(minutes * 60 * deviceRate);
    const std::int64_t bufferSize = 1365;
    // A click every 10 s of true time: at the device sample that is captured then.
    auto clickSample = [&](std::int64_t k) {
        return static_cast<std::int64_t>(std::llround((10.0 * double(k) + 5) * deviceRate));
    };
    std::vector<std::int16_t> buffer(bufferSize), out;
    std::vector<double> found;
    std::int64_t nextClick = 0;
    for (std::int64_t n = 0; n < total; n += bufferSize) {
        std::fill(buffer.begin(), buffer.end(), std::int16_t(0));
        while (clickSample(nextClick) < n + bufferSize) {
            buffer[std::size_t(clickSample(nextClick) - n)] = 30000;
            ++nextClick;
        }
        out.clear();
        const std::int64_t before = timeline.position();
        timeline.append(origin + 0.02 + double(n) / deviceRate + jitter(random), buffer, out);
        for (std::size_t k = 0; k < out.size(); ++k) {
            if (out[k] > 10000 && (k + 1 == out.size() || out[k + 1] < out[k]) &&
                (k == 0 || out[k - 1] <= out[k])) {
                found.push_back(double(before) + double(k));
            }
        }
    }
    std::fprintf(stderr, "  %+.0f ppm source: measured %.2f ppm, %.3f s of silence, %.3f s cut\n",
                 ppm, timeline.driftPpm(), double(timeline.silenceInserted()) / rate,
                 double(timeline.samplesDropped()) / rate);
    return found;
}

int alignment(double minutes, double ppm) {
    const auto microphone = clickPositions(minutes, 0, 1);
    const auto system = clickPositions(minutes, ppm, 2);
    const std::size_t count = std::min(microphone.size(), system.size());
    double largest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        largest = std::max(largest, std::abs(system[i] - microphone[i]));
    }
    const double last = count ? std::abs(system[count - 1] - microphone[count - 1]) : 0;
    const double uncorrected = minutes * 60 * std::abs(ppm) * 1e-6;
    std::printf("%-9s %7s %6s %14s %11s %16s\n", "minutes", "ppm", "clicks", "largest_err_ms",
                "last_err_ms", "uncorrected_ms");
    std::printf("%-9.0f %7.1f %6zu %14.2f %11.2f %16.1f\n", minutes, ppm, count,
                largest / rate * 1000, last / rate * 1000, uncorrected * 1000);
    return microphone.size() == system.size() ? 0 : 1;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int capture(int argc, char** argv, bool two, double seconds) {
    QCoreApplication application(argc, argv);
    const auto folder = std::filesystem::temp_directory_path();
    const double origin = bw::monotonicSeconds();
    bw::RecordingPipeline microphone(folder / "bw-two-track-bench-1.caf", {}, {},
                                     two ? std::optional(origin) : std::nullopt);
    bw::RecordingPipeline system(folder / "bw-two-track-bench-2.caf", {}, {}, origin);
    auto micSource = bw::makeSystemMicrophoneSource(std::nullopt);
    auto systemSource =
        bw::makeSystemAudioSource([] { std::fprintf(stderr, "no output to record from\n"); });
    try {
        micSource->start([&](const bw::CaptureBuffer& b) { microphone.receive(b); }, [] {});
        if (two) {
            systemSource->start([&](const bw::CaptureBuffer& b) { system.receive(b); }, [] {});
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot record: %s\n", error.what());
        return 1;
    }
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    QTimer::singleShot(int(seconds * 1000), &application, &QCoreApplication::quit);
    application.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    micSource->stop();
    systemSource->stop();
    const double end = bw::monotonicSeconds();
    const double micSeconds = microphone.finish(end);
    const double systemSeconds = two ? system.finish(end) : 0;
    system.finish();
    std::filesystem::remove(folder / "bw-two-track-bench-1.caf");
    std::filesystem::remove(folder / "bw-two-track-bench-2.caf");
    std::printf("%-8s %8.2f %8.2f %8.2f %10.3f\n", two ? "two" : "one", micSeconds, systemSeconds,
                wall, 100 * cpu / wall);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "alignment";
    if (mode == "alignment") {
        return alignment(argc > 2 ? std::stod(argv[2]) : 60, argc > 3 ? std::stod(argv[3]) : 100);
    }
    if (mode == "capture" && argc > 2) {
        return capture(argc, argv, std::string(argv[2]) == "two",
                       argc > 3 ? std::stod(argv[3]) : 30);
    }
    if (mode == "cancel" && argc == 5) {
        bw::EchoCanceller::cancel(argv[2], argv[3], argv[4]);
        return 0;
    }
    std::fprintf(stderr, "usage: bw_two_track_bench alignment [MINUTES] [PPM] | capture one|two "
                         "[SECONDS] | cancel MICROPHONE SYSTEM OUTPUT\n");
    return 2;
}
