// The window's recording list over a library of 10,000 recordings: what one changed item costs
// the list model, its filter model and the view (until the view has repainted), once the library
// has re-read its items; and a new recording at the top, for comparison. Generates the library once
// (item files only), cached in the given folder.
//   bw_recording_list_bench DIR [COUNT]
// Runs on Qt's offscreen platform. Wall and processor time (this thread) are reported.
#include "app/app_model.h"
#include "app/recording_list_model.h"
#include "bench_support.h"
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

// Runs `change`, then lets the view lay out and paint what it caused.
template <typename Change> bw::bench::Timing timedInView(QListView& view, Change&& change) {
    QApplication::processEvents();
    return bw::bench::timed([&] {
        change();
        view.viewport()->repaint();
        QApplication::processEvents();
    });
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
        bw::bench::generateItemFiles(root, count);
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
    services.makePlayer = [](const fs::path&,
                             const std::optional<fs::path>&) -> std::unique_ptr<bw::AudioPlayer> {
        throw std::runtime_error("no playback here");
    };
    bw::AppModel app(bw::LibraryStore(root), std::move(services));
    bw::LibraryModel& library = app.library();
    bw::LibraryNavigation& navigation = app.navigation();
    bw::ui::RecordingList list(
        library, navigation, app.search(), app.actions(),
        new bw::RecordingListModel(library, app.recorder(), app.transcription()));
    list.resize(300, 800);
    list.show();
    QApplication::processEvents();
    std::printf("%zu rows in the list\n", library.items().size());

    const int rounds = 21;
    std::vector<bw::bench::Timing> renames, additions;
    for (int round = 0; round < rounds; ++round) {
        auto items = library.items();
        auto& changed = items[items.size() / 2 + std::size_t(round)];
        changed.title += " (renamed)";
        navigation.setSelection(changed.id);
        renames.push_back(timedInView(*list.view(), [&] { library.setItems(items); }));
    }
    for (int round = 0; round < rounds; ++round) {
        auto items = library.items();
        bw::LibraryItem added = items.front();
        added.id = bw::Uuid::random();
        added.createdAt += std::chrono::seconds(60);
        items.insert(items.begin(), added);
        additions.push_back(timedInView(*list.view(), [&] { library.setItems(items); }));
    }
    bw::bench::report("one recording renamed (goal < 5 ms)", renames);
    bw::bench::report("one recording added at the top", additions);
    std::printf("(the library's own re-read of its item files before this: bench/library.sh)\n");
    return 0;
}
