// The transcription service's cost per progress report as the live transcript grows: an
// engine reports PREFILL segments, then MEASURED more reports of one segment each are queued
// at once and the main thread's time to apply them is measured. Run once with a short and
// once with a long transcript; a flat cost gives the same figure for both.
//   bw_service_bench [PREFILL...]   (default: 20 2000)
#include "service/transcription_service.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <latch>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int measuredReports = 2000;

// Reports `prefill` segments, waits until the main thread has applied them, then queues
// `measuredReports` more reports before the main thread starts applying them.
class ReportingEngine : public bw::TranscriptionEngine {
public:
    explicit ReportingEngine(int prefill) : m_prefill(prefill) {}

    std::latch applied{1}; // the main thread has applied the prefill
    std::latch queued{1};  // every measured report is queued

    std::string engineName() const override { return "bench"; }
    std::string modelName() const override { return "bench"; }

    bw::Transcript transcribe(const fs::path&, const bw::TranscriptionOptions&,
                              const bw::ProgressHandler& progress, std::stop_token) override {
        for (int i = 0; i < m_prefill; ++i) {
            progress(report(i));
        }
        applied.wait();
        for (int i = 0; i < measuredReports; ++i) {
            progress(report(m_prefill + i));
        }
        queued.count_down();
        return {};
    }

private:
    bw::TranscriptionProgress report(int index) const {
        const double start = index * 5.0;
        const double total = (m_prefill + measuredReports) * 5.0;
        return {bw::TranscriptionProgress::Phase::transcribing,
                start + 5,
                total,
                60.0,
                {{start, start + 5, " A sentence of about the usual length for a segment."}}};
    }

    int m_prefill;
};

void processUntil(const bw::TranscriptionService& service, std::size_t segments) {
    while (service.job() && service.job()->segments.size() < segments) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

double microsecondsPerReport(const fs::path& root, int prefill) {
    bw::LibraryStore library(root / ("library-" + std::to_string(prefill)));
    bw::LibraryItem item;
    item.id = bw::Uuid::random();
    item.title = "Bench";
    item.state = bw::LibraryItem::State::complete;
    item.audioFileName = "audio.wav";
    fs::create_directories(library.itemFolderURL(item.id));
    const std::string make =
        "sox -n -r 16000 -c 1 -b 16 '" + library.audioFileURL(item).string() + "' trim 0 1";
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "bw_service_bench: sox failed\n");
        std::exit(1);
    }
    auto engine = std::make_shared<ReportingEngine>(prefill);
    bw::TranscriptionService service(library, [engine] { return engine; });
    service.start(item, bw::TranscriptionLanguage::english);
    processUntil(service, std::size_t(prefill));
    engine->applied.count_down();
    engine->queued.wait();
    const auto started = Clock::now();
    processUntil(service, std::size_t(prefill + measuredReports));
    const double elapsed =
        std::chrono::duration<double, std::micro>(Clock::now() - started).count();
    while (service.isRunning()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return elapsed / measuredReports;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<int> prefills;
    for (int i = 1; i < argc; ++i) {
        prefills.push_back(std::atoi(argv[i]));
    }
    if (prefills.empty()) {
        prefills = {20, 2000};
    }
    const fs::path root =
        fs::temp_directory_path() / ("bw-service-bench-" + std::to_string(::getpid()));
    for (int prefill : prefills) {
        // The best of three, so a busy moment on a shared machine does not decide the figure.
        double best = 1e300;
        for (int run = 0; run < 3; ++run) {
            best = std::min(best, microsecondsPerReport(root, prefill));
        }
        std::printf("%5d live segments: %.2f us per progress report (best of 3, %d reports)\n",
                    prefill, best, measuredReports);
    }
    fs::remove_all(root);
    return 0;
}
