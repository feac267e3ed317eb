// Renders the main window in typical states to PNG files, for looking at the interface without
// a display: ui_snapshots OUTPUT_FOLDER. Each state is one function below; add a state by
// adding a function and a line to `states`.
#include "library/library_test_support.h"
#include "ui/main_window.h"
#include "ui/recording_list.h"
#include "ui/tray_menu.h"
#include "ui/tray_snapshot.h"
#include "ui/widget_test_app.h"

#include <QDialog>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace bw {
namespace {

using test::waitFor;
using test::WidgetTestApp;

// Recordings of each kind in two groups; the imported interview (the only one with audio) is
// selected.
void fillLibrary(WidgetTestApp& fixture) {
    LibraryModel& library = fixture.app->library();
    LibraryNavigation& navigation = fixture.app->navigation();
    const LibraryStore& store = library.store();
    const auto interviews = library.changes().createGroup("Interviews", {});
    const auto lectures = library.changes().createGroup("Lectures", {});
    const Uuid interview = fixture.importTone("Interview with the mayor", 3);
    store.update(interview, [&](LibraryItem& item) {
        item.duration = 1830.4;
        item.groupID = interviews.id;
    });
    const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    auto add = [&](const std::string& title, std::int64_t age, double duration,
                   LibraryItem::Origin origin, LibraryItem::State state,
                   std::optional<Uuid> group) {
        LibraryItem item = test::sampleItem(title, now - age, group);
        item.duration = duration;
        item.origin = origin;
        item.state = state;
        store.addRecording(item);
    };
    add("Monday stand-up", 3600, 754, LibraryItem::Origin::recorded, LibraryItem::State::complete,
        std::nullopt);
    add("Notes for the article", 86400, 95, LibraryItem::Origin::dictated,
        LibraryItem::State::complete, std::nullopt);
    add("Lecture 3: Phonology", 3 * 86400, 3725, LibraryItem::Origin::recorded,
        LibraryItem::State::interrupted, lectures.id);
    library.refreshFromDisk();
    navigation.setFilter(LibraryFilter::all());
    navigation.setSelection(interview);
}

void emptyLibrary(WidgetTestApp&) {}

void groups(WidgetTestApp& fixture) {
    fillLibrary(fixture);
}

void recording(WidgetTestApp& fixture) {
    fillLibrary(fixture);
    fixture.startRecording(2.5);
}

std::vector<TranscriptSegment> sampleSegments() {
    return {{0.0, 4.2, "Good morning, everyone, and thank you for coming."},
            {4.2, 9.8, "Today we look at the budget for the coming year."},
            {9.8, 15.1, "First, the numbers from the last quarter."}};
}

void transcribing(WidgetTestApp& fixture) {
    fillLibrary(fixture);
    const auto item = fixture.app->library().item(*fixture.app->navigation().selection());
    TranscriptionProgress progress;
    progress.phase = TranscriptionProgress::Phase::transcribing;
    progress.totalDuration = item->duration;
    progress.processedDuration = item->duration * 0.4;
    progress.estimatedTimeRemaining = 95;
    progress.newSegments = sampleSegments();
    fixture.engine->reports = {progress};
    fixture.engine->holdUntilReleased = true;
    fixture.app->transcription().start(*item, TranscriptionLanguage::english);
    waitFor([&] {
        const auto& job = fixture.app->transcription().job();
        return job && !job->segments.empty();
    });
}

void editor(WidgetTestApp& fixture) {
    fillLibrary(fixture);
    const auto item = fixture.app->library().item(*fixture.app->navigation().selection());
    fixture.engine->result.language = TranscriptionLanguage::english;
    fixture.engine->result.segments = sampleSegments();
    fixture.engine->result.audioDuration = item->duration;
    fixture.app->transcription().start(*item, TranscriptionLanguage::english);
    waitFor([&] { return !fixture.app->transcription().isRunning(); });
}

// The editor's transcript while a search for "budget" is on and its second segment plays.
void search(WidgetTestApp& fixture) {
    editor(fixture);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<ui::MainWindow*>(widget)) {
            window->recordingList()->searchField()->setText("budget");
        }
    }
    fixture.app->search().setText("budget");
    waitFor(
        [&] { return fixture.app->search().isComplete() && !fixture.app->search().isUpdating(); });
    fixture.app->player().togglePlayback();
    fixture.players.last().time = 5;
    waitFor([&] { return fixture.app->player().currentTime() == 5; });
}

void diagnostics(WidgetTestApp& fixture) {
    fillLibrary(fixture);
    fixture.app->actions().showDiagnostics();
}

// A recording in progress while another recording is transcribed: the tray menu's fullest state.
void recordingWhileTranscribing(WidgetTestApp& fixture) {
    transcribing(fixture);
    fixture.startRecording(65);
}

struct State {
    std::string file;
    std::function<void(WidgetTestApp&)> prepare;
    bool trayMenu = false; // renders the tray menu instead of the window
};

// The window with any sheet it shows drawn over its top centre, as a sheet appears.
QPixmap render(ui::MainWindow& window) {
    QPixmap image = window.grab();
    QPainter painter(&image);
    for (QDialog* sheet : window.findChildren<QDialog*>()) {
        if (sheet->isVisible()) {
            painter.fillRect(image.rect(), QColor(0, 0, 0, 60));
            const QPixmap grabbed = sheet->grab();
            const QRect frame((image.width() - grabbed.width()) / 2, 40, grabbed.width(),
                              grabbed.height());
            painter.drawPixmap(frame.topLeft(), grabbed);
            painter.setPen(QColor(0, 0, 0, 90));
            painter.drawRect(frame.adjusted(0, 0, -1, -1));
        }
    }
    return image;
}

bool snapshot(const State& state, const std::filesystem::path& folder) {
    WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    state.prepare(fixture);
    waitFor([] { return false; }, 300); // let layouts and queued updates settle
    const auto file = folder / state.file;
    const QString path = QString::fromStdString(file.string());
    bool saved = false;
    if (state.trayMenu) {
        ui::TrayMenu tray(
            fixture.trayModels(), "Brindlewick", [] {}, false);
        saved = test::saveTrayMenuSnapshot(tray, path);
    } else {
        saved = render(window).save(path, "PNG");
    }
    std::printf("%s %s\n", saved ? "wrote" : "could not write", file.c_str());
    std::fflush(stdout);
    return saved;
}

} // namespace
} // namespace bw

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ui_snapshots OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    // Owned here, so that it goes before the static objects of Qt that its clean-up uses.
    // Offscreen unless the caller chose a platform (QT_QPA_PLATFORM=xcb under a real X server).
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const std::vector<bw::State> states = {
        {"empty.png", bw::emptyLibrary},
        {"groups.png", bw::groups},
        {"recording.png", bw::recording},
        {"transcribing.png", bw::transcribing},
        {"editor.png", bw::editor},
        {"search.png", bw::search},
        {"diagnostics.png", bw::diagnostics},
        {"tray-menu.png", bw::recordingWhileTranscribing, true},
    };
    bool allSaved = true;
    for (const auto& state : states) {
        allSaved = bw::snapshot(state, folder) && allSaved;
    }
    return allSaved ? 0 : 1;
}
