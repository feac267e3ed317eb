#include "base/iso_date.h"
#include "fakes/memory_user_defaults.h"
#include "library/import_queue.h"
#include "library/library_error.h"
#include "library/library_group_store.h"
#include "library/library_model.h"
#include "library/library_navigation.h"
#include "library/library_test_support.h"
#include "support/core_application.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace bw {
namespace {

namespace fs = std::filesystem;

const std::string key = "library.sidebarSelection";
const std::string support = "If it keeps happening, email support@brindlewick.app with this "
                            "message and the file from Help › Export Diagnostics.";

// Spies on every change signal of a model.
struct SignalCounts {
    SignalCounts(LibraryModel& model, LibraryNavigation& navigation, AlertCentre& alerts)
        : items(&model, &LibraryModel::itemsChanged), groups(&model, &LibraryModel::groupsChanged),
          filter(&navigation, &LibraryNavigation::filterChanged),
          selection(&navigation, &LibraryNavigation::selectionChanged),
          alert(&alerts, &AlertCentre::alertChanged),
          editor(&navigation, &LibraryNavigation::groupEditorChanged),
          active(&model, &LibraryModel::activeRecordingIDChanged) {}

    QSignalSpy items, groups, filter, selection, alert, editor, active;
};

class LibraryModelTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("BRINDLEWICK_RESOURCES", BW_SOURCE_DIR "/resources", 1);
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "library_tests";
            static char* argv[] = {name, nullptr};
            static QCoreApplication application(argc, argv);
        }
    }

    test::TemporaryFolder folder;
    fs::path root = folder / "Library";
    LibraryStore store{root};
    MemoryUserDefaults defaults;
    AlertCentre alerts;
    std::unique_ptr<LibraryNavigation> navigation;

    // The model, with the navigation over it made anew.
    std::unique_ptr<LibraryModel> makeModel() {
        auto model = std::make_unique<LibraryModel>(store, alerts);
        navigation = std::make_unique<LibraryNavigation>(*model, &defaults);
        return model;
    }

    LibraryItem add(const std::string& title, std::int64_t createdAt,
                    std::optional<Uuid> group = std::nullopt) {
        auto item = test::sampleItem(title, createdAt, group);
        store.addRecording(item);
        return item;
    }

    static void waitForImports(ImportQueue& imports) {
        QSignalSpy finished(&imports, &ImportQueue::importFinished);
        while (imports.isImporting() && finished.wait(10000)) {
        }
        ASSERT_FALSE(imports.isImporting());
    }

    static std::vector<std::string> titles(const std::vector<LibraryItem>& items) {
        std::vector<std::string> result;
        for (const auto& item : items) {
            result.push_back(item.title);
        }
        return result;
    }
};

TEST_F(LibraryModelTest, StartRestoresTheStoredFilter) {
    auto group = LibraryGroupStore(store).createGroup("Calls", std::chrono::system_clock::now());
    struct Case {
        std::optional<std::string> stored;
        LibraryFilter expected;
        bool writtenBack;
    };
    std::vector<Case> cases = {
        {std::nullopt, LibraryFilter::all(), false},
        {"garbage", LibraryFilter::all(), false},
        {"notFiled", LibraryFilter::notFiled(), true},
        {group.id.string(), LibraryFilter::group(group.id), true},
        {Uuid::random().string(), LibraryFilter::all(), true}, // a deleted group
    };
    for (const auto& c : cases) {
        defaults = MemoryUserDefaults();
        if (c.stored) {
            defaults.values[key] = *c.stored;
        }
        auto model = makeModel();
        EXPECT_EQ(navigation->filter(), c.expected) << c.stored.value_or("(none)");
        EXPECT_EQ(!defaults.writes.empty(), c.writtenBack);
        if (c.writtenBack) {
            EXPECT_EQ(defaults.values[key], c.expected.storedValue());
        }
    }
}

TEST_F(LibraryModelTest, StartRecoversInterruptedRecordings) {
    auto item = test::sampleItem("cut off", 1);
    item.state = LibraryItem::State::recording;
    store.addRecording(item);
    auto model = makeModel();
    ASSERT_EQ(model->items().size(), 1u);
    EXPECT_EQ(model->items()[0].state, LibraryItem::State::interrupted);
}

TEST_F(LibraryModelTest, MembershipFollowsKnownGroups) {
    auto calls = LibraryGroupStore(store).createGroup("Calls", std::chrono::system_clock::now());
    auto missing = Uuid::random();
    add("filed", 3, calls.id);
    add("orphan", 2, missing);
    add("loose", 1);
    auto model = makeModel();
    EXPECT_EQ(titles(model->itemsIn(LibraryFilter::all())),
              (std::vector<std::string>{"filed", "orphan", "loose"}));
    EXPECT_EQ(titles(model->itemsIn(LibraryFilter::notFiled())),
              (std::vector<std::string>{"orphan", "loose"}));
    EXPECT_EQ(titles(model->itemsIn(LibraryFilter::group(calls.id))),
              std::vector<std::string>{"filed"});
    EXPECT_TRUE(model->itemsIn(LibraryFilter::group(missing)).empty());
}

TEST_F(LibraryModelTest, NewRecordingsGoToTheGroupShown) {
    auto calls = LibraryGroupStore(store).createGroup("Calls", std::chrono::system_clock::now());
    auto model = makeModel();
    struct Case {
        LibraryFilter filter;
        std::optional<Uuid> expected;
    };
    for (const auto& c :
         {Case{LibraryFilter::group(calls.id), calls.id}, Case{LibraryFilter::all(), std::nullopt},
          Case{LibraryFilter::notFiled(), std::nullopt}}) {
        navigation->setFilter(c.filter);
        auto item = model
                        ->beginRecording("Take",
                                         std::chrono::system_clock::time_point(
                                             std::chrono::milliseconds(1741338902750)),
                                         navigation->groupForNewItems())
                        .item;
        EXPECT_EQ(item.groupID, c.expected) << c.filter.storedValue();
        EXPECT_EQ(item.createdAt.time_since_epoch().count(), 1741338902);
        EXPECT_EQ(item.state, LibraryItem::State::recording);
        EXPECT_EQ(item.audioFileName, "audio.caf");
        EXPECT_EQ(model->items().front(), item);
        EXPECT_EQ(model->activeRecordingID(), item.id);
        EXPECT_EQ(navigation->recordingDestination(), c.expected);
        EXPECT_EQ(store.item(item.id), item);
        model->finishRecording(item.id, 42.5);
        EXPECT_FALSE(model->activeRecordingID());
        EXPECT_EQ(store.item(item.id).state, LibraryItem::State::complete);
        EXPECT_EQ(model->item(item.id)->duration, 42.5);
    }
    EXPECT_FALSE(alerts.alert());
}

TEST_F(LibraryModelTest, FinishingARecordingThatCannotBeSavedAlerts) {
    auto model = makeModel();
    auto item = model->beginRecording("Take", std::chrono::system_clock::now(), std::nullopt).item;
    fs::remove(store.itemFolderURL(item.id) / "item.json");
    model->finishRecording(item.id, 3);
    ASSERT_TRUE(alerts.alert());
    EXPECT_EQ(alerts.alert()->title, "The recording's details couldn't be saved");
    EXPECT_EQ(alerts.alert()->message,
              "The audio is kept. Check that this computer has enough free disk space. " + support +
                  " (The recording no longer exists.)");
    EXPECT_FALSE(alerts.alert()->action);
}

TEST_F(LibraryModelTest, DeletingTheActiveRecordingDoesNothing) {
    auto model = makeModel();
    auto item = model->beginRecording("Take", std::chrono::system_clock::now(), std::nullopt).item;
    SignalCounts counts(*model, *navigation, alerts);
    model->changes().deleteItem(item.id);
    EXPECT_TRUE(fs::exists(store.itemFolderURL(item.id)));
    EXPECT_FALSE(alerts.alert());
    EXPECT_EQ(counts.items.count(), 0);

    auto other = add("Other", 1);
    navigation->setSelection(other.id);
    model->changes().deleteItem(other.id);
    EXPECT_FALSE(model->item(other.id));
    EXPECT_FALSE(navigation->selection());
    model->changes().deleteItem(other.id);
    ASSERT_TRUE(alerts.alert());
    EXPECT_EQ(alerts.alert()->title, "The recording couldn't be deleted");
    EXPECT_EQ(alerts.alert()->message, "Quit and reopen Brindlewick, then try again. " + support +
                                           " (The recording no longer exists.)");
}

TEST_F(LibraryModelTest, RenamingReportsFailuresAndKeepsTheTitle) {
    auto item = add("Old", 1);
    auto model = makeModel();
    EXPECT_FALSE(model->changes().rename(item.id, "   "));
    ASSERT_TRUE(alerts.alert());
    EXPECT_EQ(alerts.alert()->title, "Something went wrong");
    EXPECT_EQ(alerts.alert()->message,
              "The title can't be empty. The recording keeps its previous title.");
    EXPECT_EQ(model->item(item.id)->title, "Old");

    EXPECT_FALSE(model->changes().rename(Uuid::random(), "New"));
    EXPECT_EQ(alerts.alert()->title, "The recording couldn't be renamed");
    EXPECT_EQ(alerts.alert()->message, "It keeps its previous title. Try again. " + support +
                                           " (The recording no longer exists.)");

    EXPECT_TRUE(model->changes().rename(item.id, " New "));
    EXPECT_EQ(model->item(item.id)->title, "New");
}

TEST_F(LibraryModelTest, MovingAndDeletingGroupsReportFailures) {
    auto item = add("Take", 1);
    auto model = makeModel();
    model->changes().move({item.id}, Uuid::random());
    ASSERT_TRUE(alerts.alert());
    EXPECT_EQ(alerts.alert()->title, "The recordings couldn't be moved");
    EXPECT_EQ(alerts.alert()->message, "They stay where they were. Try again. " + support +
                                           " (The group no longer exists.)");
    model->changes().deleteGroup(Uuid::random());
    EXPECT_EQ(alerts.alert()->title, "The group couldn't be deleted");
    EXPECT_EQ(alerts.alert()->message, "Its recordings are unchanged. Try again. " + support +
                                           " (The group no longer exists.)");
}

TEST_F(LibraryModelTest, DeletingTheShownGroupFallsBackToAll) {
    auto calls = LibraryGroupStore(store).createGroup("Calls", std::chrono::system_clock::now());
    auto item = add("Take", 1, calls.id);
    auto model = makeModel();
    navigation->setFilter(LibraryFilter::group(calls.id));
    navigation->setSelection(item.id);
    model->changes().deleteGroup(calls.id);
    EXPECT_TRUE(model->groups().empty());
    EXPECT_EQ(navigation->filter(), LibraryFilter::all());
    EXPECT_EQ(defaults.values[key], "all");
    EXPECT_FALSE(model->item(item.id)->groupID);
    EXPECT_EQ(navigation->selection(), item.id); // still visible under All
    EXPECT_FALSE(alerts.alert());
}

TEST_F(LibraryModelTest, ChoosingTheDestination) {
    auto calls = LibraryGroupStore(store).createGroup("Calls", std::chrono::system_clock::now());
    auto loose = add("loose", 1);
    auto model = makeModel();
    navigation->setSelection(loose.id);

    navigation->chooseDestination(std::nullopt); // on All: stays on All
    EXPECT_EQ(navigation->filter(), LibraryFilter::all());

    auto recording =
        model->beginRecording("Take", std::chrono::system_clock::now(), std::nullopt).item;
    navigation->setSelection(loose.id);
    navigation->chooseDestination(calls.id);
    EXPECT_EQ(navigation->filter(), LibraryFilter::group(calls.id));
    EXPECT_EQ(store.item(recording.id).groupID, calls.id);
    EXPECT_EQ(navigation->recordingDestination(), calls.id);
    EXPECT_FALSE(navigation->selection()); // loose is not in Calls

    navigation->setSelection(recording.id);
    navigation->chooseDestination(std::nullopt); // on a group: switches to No Group
    EXPECT_EQ(navigation->filter(), LibraryFilter::notFiled());
    EXPECT_FALSE(store.item(recording.id).groupID);
    EXPECT_EQ(navigation->selection(), recording.id); // kept: visible again under No Group
    EXPECT_EQ(navigation->recordingDestination(), std::nullopt);
}

TEST_F(LibraryModelTest, ObservableFieldsSignalOnlyRealChanges) {
    auto item = add("Take", 1);
    auto model = makeModel();
    SignalCounts counts(*model, *navigation, alerts);
    navigation->setSelection(item.id);
    navigation->setSelection(item.id);
    EXPECT_EQ(counts.selection.count(), 1);
    defaults.writes.clear();
    navigation->setFilter(LibraryFilter::all());
    EXPECT_EQ(counts.filter.count(), 0);
    EXPECT_EQ(defaults.writes.size(), 1u); // the side effects run on every assignment
    navigation->setFilter(LibraryFilter::notFiled());
    EXPECT_EQ(counts.filter.count(), 1);
    auto alert = AppAlert::make("A", "B");
    alerts.setAlert(alert);
    alerts.setAlert(alert);
    EXPECT_EQ(counts.alert.count(), 1);
    alerts.setAlert(AppAlert::make("A", "B")); // a new alert with the same text
    EXPECT_EQ(counts.alert.count(), 2);
    model->setActiveRecordingID(std::nullopt);
    EXPECT_EQ(counts.active.count(), 0);
    EXPECT_TRUE(model->changes().rename(item.id, "Renamed"));
    EXPECT_EQ(counts.items.count(), 1);
}

TEST_F(LibraryModelTest, GroupNamesThroughTheSheet) {
    auto item = add("Take", 1);
    auto model = makeModel();
    auto editor = GroupEditor::make(GroupEditor::Create{{item.id}});
    navigation->setGroupEditor(editor);
    EXPECT_EQ(navigation->confirmGroupName(editor, "  "), "The group's name can't be empty.");
    EXPECT_TRUE(navigation->groupEditor());
    EXPECT_EQ(navigation->confirmGroupName(editor, " Calls "), std::nullopt);
    EXPECT_FALSE(navigation->groupEditor());
    ASSERT_EQ(model->groups().size(), 1u);
    auto calls = model->groups()[0];
    EXPECT_EQ(model->item(item.id)->groupID, calls.id);
    EXPECT_EQ(navigation->confirmGroupName(GroupEditor::make(GroupEditor::Create{}), "CALLS"),
              "A group with this name already exists. Choose another name.");

    EXPECT_EQ(navigation->confirmGroupName(GroupEditor::make(GroupEditor::Rename{calls}), "calls"),
              std::nullopt);
    EXPECT_EQ(model->group(calls.id)->name, "calls");

    EXPECT_EQ(navigation->confirmGroupName(GroupEditor::make(GroupEditor::CreateAsDestination{}),
                                           "Meetings"),
              std::nullopt);
    ASSERT_EQ(model->groups().size(), 2u);
    EXPECT_EQ(model->groups()[1].name, "Meetings");
    EXPECT_EQ(navigation->filter().groupID(), model->groups()[1].id);

    {
        test::FailingFileWrites failing;
        auto problem =
            navigation->confirmGroupName(GroupEditor::make(GroupEditor::Create{}), "New");
        ASSERT_TRUE(problem);
        EXPECT_TRUE(problem->starts_with("The group couldn't be saved. Try again. " + support +
                                         " (“groups.json” couldn't be saved: "))
            << *problem;
    }
}

TEST_F(LibraryModelTest, CorruptGroupListIsSetAsideAtStart) {
    fs::create_directories(root);
    test::writeText(root / "groups.json", "{");
    auto model = makeModel();
    EXPECT_TRUE(model->groups().empty());
    ASSERT_TRUE(alerts.alert());
    EXPECT_EQ(alerts.alert()->title, "The group list couldn't be read");
    EXPECT_EQ(alerts.alert()->message,
              "Every recording is still here, now under No Group. The old list is kept as a "
              "file in Brindlewick's library folder. You can create the groups again and drag "
              "the recordings onto them.");
    EXPECT_FALSE(fs::exists(root / "groups.json"));
    int setAside = 0;
    for (const auto& entry : fs::directory_iterator(root)) {
        setAside += entry.path().filename().string().starts_with("groups-unreadable-");
    }
    EXPECT_EQ(setAside, 1);
}

TEST_F(LibraryModelTest, GroupListThatCannotBeSetAsideAlertsDifferently) {
    fs::create_directories(root);
    test::writeText(root / "groups.json", "{");
    // Occupy the set-aside names of the next two minutes, however slow the machine.
    auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    for (int second = 0; second < 120; ++second) {
        std::string stamp = iso8601String(now + std::chrono::seconds(second));
        std::erase(stamp, ':');
        test::writeText(root / ("groups-unreadable-" + stamp + ".json"), "taken");
    }
    auto model = makeModel();
    ASSERT_TRUE(alerts.alert());
    EXPECT_EQ(alerts.alert()->title, "The group list couldn't be opened");
    EXPECT_TRUE(alerts.alert()->message.starts_with(
        "Every recording is still here. Quit and reopen Brindlewick. " + support + " ("));
    EXPECT_EQ(test::readText(root / "groups.json"), "{");
}

TEST_F(LibraryModelTest, ImportReportsEachFailedFileInOrder) {
    auto calls = LibraryGroupStore(store).createGroup("Calls", std::chrono::system_clock::now());
    test::writeWav(folder / "tone.wav", 1);
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -y -i '" + (folder / "tone.wav").string() +
                           "' '" + (folder / "a.mp3").string() + "'")
                              .c_str()),
              0);
    test::writeText(folder / "b.ogg", "OggS");
    test::writeText(folder / "c.wav", "RIFF....WAVEjunk");
    auto model = makeModel();
    navigation->setFilter(LibraryFilter::group(calls.id));
    ImportQueue imports(*model, *navigation, alerts);
    imports.importFiles({folder / "a.mp3", folder / "b.ogg", folder / "c.wav"});
    EXPECT_TRUE(imports.isImporting());
    waitForImports(imports);

    ASSERT_EQ(model->items().size(), 1u);
    auto imported = model->items()[0];
    EXPECT_EQ(imported.title, "a");
    EXPECT_EQ(imported.groupID, calls.id);
    EXPECT_EQ(navigation->selection(), imported.id);
    ASSERT_TRUE(alerts.alert());
    EXPECT_EQ(alerts.alert()->title, "Some files weren't imported");
    EXPECT_EQ(alerts.alert()->message,
              "“b.ogg” couldn't be read as audio. The file may be damaged.\n"
              "“c.wav” couldn't be read as audio. The file may be damaged.");
}

// Real files in the formats people have, made by FFmpeg from one second of tone; the video file
// is imported for its audio track.
TEST_F(LibraryModelTest, ImportTakesTheCommonFormatsFFmpegDecodes) {
    test::writeWav(folder / "tone.wav", 1);
    const std::pair<const char*, const char*> files[] = {
        {"talk.flac", "-i '{tone}'"},
        {"talk.ogg", "-i '{tone}' -c:a libvorbis"},
        {"talk.opus", "-i '{tone}'"},
        {"film.mkv", "-f lavfi -i color=size=32x32:duration=1 -i '{tone}' -shortest"},
    };
    std::vector<fs::path> paths;
    for (const auto& [name, arguments] : files) {
        std::string command = std::string("ffmpeg -loglevel error -y ") + arguments + " '" +
                              (folder / name).string() + "'";
        command.replace(command.find("{tone}"), 6, (folder / "tone.wav").string());
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        paths.push_back(folder / name);
    }
    auto model = makeModel();
    ImportQueue imports(*model, *navigation, alerts);
    imports.importFiles(paths);
    waitForImports(imports);
    EXPECT_FALSE(alerts.alert()) << alerts.alert()->message;
    ASSERT_EQ(model->items().size(), std::size(files));
    for (const auto& item : model->items()) {
        SCOPED_TRACE(item.audioFileName);
        EXPECT_NEAR(item.duration, 1.0, 0.1);
    }
}

TEST_F(LibraryModelTest, ImportThatCannotCopyAsksForDiskSpace) {
    test::writeWav(folder / "tone.wav", 1);
    auto model = makeModel();
    ImportQueue imports(*model, *navigation, alerts);
    fs::create_directories(root);
    {
        test::FailingFileWrites failing; // inherited by the import's worker thread
        imports.importFiles({folder / "tone.wav"});
        waitForImports(imports);
    }
    EXPECT_TRUE(model->items().empty());
    ASSERT_TRUE(alerts.alert());
    EXPECT_EQ(alerts.alert()->message,
              "“tone.wav” couldn't be copied into Brindlewick. Check "
              "that this computer has enough free disk space, then try again.");
}

} // namespace
} // namespace bw

namespace bw {
namespace {

// A second process (the command line beside the window) changes the library while a model is
// running: what it did shows up within a second, signalled once, and the selection stays on a
// recording that is still there.
TEST_F(LibraryModelTest, ChangesByAnotherProcessAppearWithinASecond) {
    auto renamed = add("Old title", 200);
    auto removed = add("Gone soon", 100);
    auto model = makeModel();
    navigation->setSelection(renamed.id);
    SignalCounts counts(*model, *navigation, alerts);

    auto inAnotherProcess = [this](const std::function<void(const LibraryStore&)>& change) {
        pid_t child = fork();
        if (child == 0) {
            try {
                change(LibraryStore(root));
            } catch (...) {
                _exit(1);
            }
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    };
    auto appearsWithinASecond = [](const std::function<bool()>& condition) {
        return test::waitUntil(condition, 1000);
    };

    inAnotherProcess([&](const LibraryStore& other) {
        LibraryGroupStore(other).createGroup("Project", std::chrono::system_clock::now());
        other.rename(renamed.id, "New title");
    });
    EXPECT_TRUE(appearsWithinASecond([&] {
        return model->groups().size() == 1 && model->item(renamed.id)->title == "New title";
    }));
    EXPECT_EQ(model->groups().at(0).name, "Project");
    EXPECT_EQ(navigation->selection(), renamed.id);
    test::waitUntil([] { return false; }, 400); // let every late event of that change arrive
    EXPECT_EQ(counts.groups.count(), 1);
    EXPECT_EQ(counts.items.count(), 1);

    inAnotherProcess([&](const LibraryStore& other) {
        other.deleteItem(removed.id);
        other.addRecording(test::sampleItem("Recorded elsewhere", 300));
    });
    EXPECT_TRUE(appearsWithinASecond([&] {
        return titles(model->items()) ==
               std::vector<std::string>{"Recorded elsewhere", "New title"};
    }));
    EXPECT_EQ(navigation->selection(), renamed.id);

    inAnotherProcess([&](const LibraryStore& other) { other.deleteItem(renamed.id); });
    EXPECT_TRUE(appearsWithinASecond([&] { return !navigation->selection(); }));
    EXPECT_FALSE(alerts.alert());
}

} // namespace
} // namespace bw
