// Re-reading a large library after a change: generates a library of N items (once, cached in
// the given folder), then times a rename followed by the full re-read the library model does
// after every change, through the store and through the model, and the model's opening.
//   bw_library_bench DIR [COUNT]
#include "bench_support.h"
#include "library/library_model.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// CPU time of the whole process (all threads): on a busy machine wall time mostly measures
// waiting for a core, so both are reported.
double cpuMilliseconds() {
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return double(time.tv_sec) * 1000 + double(time.tv_nsec) / 1e6;
}

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

void report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-44s median %7.1f ms   min %7.1f ms   max %7.1f ms\n", what,
                times[times.size() / 2], times.front(), times.back());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bw_library_bench DIR [COUNT]\n");
        return 2;
    }
    fs::path root = argv[1];
    int count = argc > 2 ? std::stoi(argv[2]) : 10000;
    bw::LibraryStore store(root);
    if (int(store.loadItems().size()) != count) {
        fs::remove_all(root);
        bw::bench::generateItemFiles(root, count);
    }
    QCoreApplication application(argc, argv);

    const int rounds = 9;
    std::vector<double> storeTimes, modelTimes, storeCpu, modelCpu;
    auto items = store.loadItems();
    std::printf("library of %zu items in %s\n", items.size(), root.c_str());
    for (int round = 0; round < rounds; ++round) {
        store.rename(items[size_t(round)].id, "Renamed " + std::to_string(round));
        auto start = Clock::now();
        double cpu = cpuMilliseconds();
        auto reread = store.loadItems();
        storeTimes.push_back(milliseconds(Clock::now() - start));
        storeCpu.push_back(cpuMilliseconds() - cpu);
        if (reread.size() != items.size()) {
            std::fprintf(stderr, "lost items\n");
            return 1;
        }
    }
    // Opening the model as the application starts: listing, recovery and the housekeeping pass
    // over every item folder (sweeping leftovers, keeping files private).
    bw::AlertCentre alerts;
    std::vector<double> openTimes, unwatchedOpenTimes;
    for (int round = 0; round < 3; ++round) {
        auto start = Clock::now();
        bw::LibraryModel opened(store, alerts);
        openTimes.push_back(milliseconds(Clock::now() - start));
        start = Clock::now();
        bw::LibraryModel unwatched(store, alerts, bw::LibraryModel::Access::readWrite,
                                   bw::LibraryModel::OutsideChanges::ignored);
        unwatchedOpenTimes.push_back(milliseconds(Clock::now() - start));
    }
    bw::LibraryModel model(store, alerts);
    for (int round = 0; round < rounds; ++round) {
        auto start = Clock::now();
        double cpu = cpuMilliseconds();
        model.changes().rename(items[size_t(round)].id, "Model rename " + std::to_string(round));
        modelTimes.push_back(milliseconds(Clock::now() - start));
        modelCpu.push_back(cpuMilliseconds() - cpu);
    }
    report("store: re-read after a rename (wall)", storeTimes);
    report("store: re-read after a rename (cpu)", storeCpu);
    report("model: rename with its re-read (wall)", modelTimes);
    report("model: rename with its re-read (cpu)", modelCpu);
    report("model: opening, with start-up housekeeping", openTimes);
    report("model: opening without watching the library", unwatchedOpenTimes);
    return 0;
}
