// The window's recording list over a library of 10,000 recordings: what one changed item costs
// the list model, its filter model and the view (until the view has repainted), once the library
// has re-read its items; and a new recording at the top, for comparison. Generates the library once
// (item files only), cached in the given folder.
//   bw_recording_list_bench DIR [COUNT]
// Runs on Qt's offscreen platform. Wall and processor time (this thread) are reported.
#include "app/app_model.h"
#include "library/library_json.h"
#include "platform/user_defaults.h"
#include "ui/recording_list.h"
#include "ui/recording_rows.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QListView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void generate(const fs::path& root, int count) {
    fs::remove_all(root);
    fs::create_directories(root);
    const auto start = std::chrono::sys_seconds(std::chrono::seconds(1700000000));
    for (int i = 0; i < count; ++i) {
        bw::LibraryItem item{bw::Uuid::random(),
                             "Meeting " + std::to_string(i),
                             start + std::chrono::seconds(i * 60),
                             1800.5,
                             bw::LibraryItem::Origin::recorded,
                             bw::LibraryItem::State::complete,
                             "audio.caf",
                             std::nullopt,
                             std::nullopt};
        fs::create_directories(root / item.id.string());
        // Plain writes: this is set-up, not the program writing its library.
        std::ofstream(root / item.id.string() / "item.json")
            << bw::prettyJsonText({{"version", 1}, {"item", bw::toJson(item)}});
    }
}

class NoDefaults : public bw::UserDefaults {
public:
    std::optional<std::string> string(const std::string&) const override { return {}; }
    void setString(const std::string&, const std::string&) override {}
};

class NoAccess : public bw::MicrophoneAccess {
public:
    bw::MicrophoneAccessStatus status() const override {
        return bw::MicrophoneAccessStatus::granted;
    }
    bool request() override { return true; }
};

double threadCpuMilliseconds() {
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) * 1000 + double(time.tv_nsec) / 1e6;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

// Runs `change`, then lets the view lay out and paint what it caused.
template <typename Change> Timing timed(QListView& view, Change&& change) {
    QApplication::processEvents();
    const auto wall = Clock::now();
    const double cpu = threadCpuMilliseconds();
    change();
    view.viewport()->repaint();
    QApplication::processEvents();
    return {std::chrono::duration<double, std::milli>(Clock::now() - wall).count(),
            threadCpuMilliseconds() - cpu};
}

void report(const char* what, std::vector<Timing> timings) {
    auto percentile = [](std::vector<double> values, double fraction) {
        std::sort(values.begin(), values.end());
        return values[std::min(values.size() - 1,
                               std::size_t(std::ceil(fraction * double(values.size()))) - 1)];
    };
    std::vector<double> wall, cpu;
    for (const auto& timing : timings) {
        wall.push_back(timing.wall);
        cpu.push_back(timing.cpu);
    }
    std::printf("%-44s wall median %7.2f p95 %7.2f ms   cpu median %7.2f p95 %7.2f ms\n", what,
                percentile(wall, 0.5), percentile(wall, 0.95), percentile(cpu, 0.5),
                percentile(cpu, 0.95));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bw_recording_list_bench DIR [COUNT]\n");
        return 2;
    }
    const fs::path root = argv[1];
    const int count = argc > 2 ? std::stoi(argv[2]) : 10000;
    if (int(bw::LibraryStore(root).loadItems().size()) != count) {
        generate(root, count);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    bw::AppModel::Services services;
    services.defaults = std::make_unique<NoDefaults>();
    services.microphoneAccess = std::make_unique<NoAccess>();
    services.listDevices = [] { return std::vector<bw::AudioInputDevice>{}; };
    services.makeSource = [](const std::optional<bw::AudioInputDevice>&) {
        return std::shared_ptr<bw::AudioInputSource>();
    };
    services.makeEngine = [] { return std::shared_ptr<bw::TranscriptionEngine>(); };
    services.makePlayer = [](const fs::path&) -> std::unique_ptr<bw::AudioPlayer> {
        throw std::runtime_error("no playback here");
    };
    bw::AppModel app(bw::LibraryStore(root), std::move(services));
    bw::LibraryModel& library = app.library();
    bw::ui::RecordingList list(app);
    list.resize(300, 800);
    list.show();
    QApplication::processEvents();
    std::printf("%zu rows in the list\n", library.items().size());

    const int rounds = 21;
    std::vector<Timing> renames, additions;
    for (int round = 0; round < rounds; ++round) {
        auto items = library.items();
        auto& changed = items[items.size() / 2 + std::size_t(round)];
        changed.title += " (renamed)";
        library.setSelection(changed.id);
        renames.push_back(timed(*list.view(), [&] { library.setItems(items); }));
    }
    for (int round = 0; round < rounds; ++round) {
        auto items = library.items();
        bw::LibraryItem added = items.front();
        added.id = bw::Uuid::random();
        added.createdAt += std::chrono::seconds(60);
        items.insert(items.begin(), added);
        additions.push_back(timed(*list.view(), [&] { library.setItems(items); }));
    }
    report("one recording renamed (goal < 5 ms)", renames);
    report("one recording added at the top", additions);
    std::printf("(the library's own re-read of its item files before this: bench/library.sh)\n");
    return 0;
}
