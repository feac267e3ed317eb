// What the benchmarks share: a generated library of item files, and timings of wall and
// processor time (of the calling thread: on a busy machine wall time mostly measures waiting
// for a core, so both are reported) with their median and 95th percentile.
#pragma once

#include "library/library_json.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace bw::bench {

// `count` finished recordings (item files only), one a minute from November 2023 on.
inline void generateItemFiles(const std::filesystem::path& root, int count) {
    std::filesystem::create_directories(root);
    auto start = std::chrono::sys_seconds(std::chrono::seconds(1700000000));
    for (int i = 0; i < count; ++i) {
        LibraryItem item{Uuid::random(),
                         "Meeting " + std::to_string(i),
                         start + std::chrono::seconds(i * 60),
                         1800.5,
                         LibraryItem::Origin::recorded,
                         LibraryItem::State::complete,
                         "audio.caf",
                         std::nullopt,
                         std::nullopt,
                         std::nullopt,
                         std::nullopt};
        std::filesystem::create_directories(root / item.id.string());
        // Plain writes: this is set-up, not the program writing its library.
        std::ofstream(root / item.id.string() / "item.json")
            << prettyJsonText({{"version", 1}, {"item", toJson(item)}});
    }
}

inline double threadCpuMilliseconds() {
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) * 1000 + double(time.tv_nsec) / 1e6;
}

struct Timing {
    double wall = 0; // milliseconds
    double cpu = 0;
};

template <typename Work> Timing timed(Work&& work) {
    const auto wall = std::chrono::steady_clock::now();
    const double cpu = threadCpuMilliseconds();
    work();
    return {
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count(),
        threadCpuMilliseconds() - cpu};
}

inline double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto rank = std::size_t(std::ceil(fraction * double(values.size())));
    return values[std::min(values.size() - 1, rank > 0 ? rank - 1 : 0)];
}

inline void report(const std::string& what, const std::vector<Timing>& timings,
                   const std::string& extra = "") {
    std::vector<double> wall, cpu;
    for (const auto& timing : timings) {
        wall.push_back(timing.wall);
        cpu.push_back(timing.cpu);
    }
    std::printf("%-44s wall median %8.2f p95 %8.2f ms   cpu median %8.2f p95 %8.2f ms %s\n",
                what.c_str(), percentile(wall, 0.5), percentile(wall, 0.95), percentile(cpu, 0.5),
                percentile(cpu, 0.95), extra.c_str());
}

} // namespace bw::bench
