// Records from the sound server's default source through the recording pipeline for a number of
// seconds, as the recorder does, and prints one line: the capture format, the audio seconds
// written, the process's CPU share of one core, the longest capture callback (conversion and
// writing included), the largest gap between two buffers, and the frames per buffer.
#include "platform/capture_format.h"
#include "recording/recorder_model.h"
#include "recording/recording_pipeline.h"

#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::stod(argv[1]) : 20;
    const auto file = std::filesystem::temp_directory_path() / "bw-recording-bench.caf";
    QCoreApplication application(argc, argv);

    bw::RecordingPipeline pipeline(file, {}, {});
    bw::CaptureFormat format;
    double longestCallback = 0;
    double largestGap = 0;
    std::size_t smallestBuffer = SIZE_MAX;
    std::size_t largestBuffer = 0;
    std::optional<Clock::time_point> previous;
    int buffers = 0;
    auto source = bw::makeSystemMicrophoneSource(std::nullopt);
    // Warm-up: the first callbacks carry what the server buffered before the stream ran.
    const auto measureFrom = Clock::now() + std::chrono::seconds(1);
    try {
        source->start(
            [&](const bw::CaptureBuffer& buffer) {
                const auto begin = Clock::now();
                pipeline.receive(buffer);
                const auto end = Clock::now();
                format = buffer.format;
                if (begin >= measureFrom) {
                    longestCallback = std::max(longestCallback, milliseconds(end - begin));
                    if (previous) {
                        largestGap = std::max(largestGap, milliseconds(begin - *previous));
                    }
                    smallestBuffer = std::min(smallestBuffer, buffer.frameCount);
                    largestBuffer = std::max(largestBuffer, buffer.frameCount);
                    ++buffers;
                }
                previous = begin;
            },
            [] { std::fprintf(stderr, "the source stopped by itself\n"); });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot record: %s\n", error.what());
        return 1;
    }
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = Clock::now();
    QTimer::singleShot(int(seconds * 1000), &application, &QCoreApplication::quit);
    application.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    source->stop();
    const double recorded = pipeline.finish();
    std::filesystem::remove(file);

    std::printf("%-28s %8.2f %8.2f %10.3f %14.3f %12.1f %6d %5zu-%zu\n",
                format.description().c_str(), recorded, wall, 100 * cpu / wall, longestCallback,
                largestGap, buffers, smallestBuffer, largestBuffer);
    return 0;
}
