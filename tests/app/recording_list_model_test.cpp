#include "app/recording_filter_model.h"
#include "app/recording_list_model.h"

#include "app/app_model.h"
#include "fakes/fake_audio_player.h"
#include "fakes/fake_microphone_access.h"
#include "fakes/fake_program_launcher.h"
#include "fakes/memory_user_defaults.h"
#include "fakes/scripted_transcription_engine.h"
#include "library/library_test_support.h"
#include "support/core_application.h"
#include "transcripts/transcript_store.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace bw {
namespace {

namespace fs = std::filesystem;

class RecordingListModelTest : public testing::Test {
protected:
    std::unique_ptr<AppModel> makeApp() {
        test::coreApplication();
        AppModel::Services services;
        services.defaults = std::make_unique<MemoryUserDefaults>();
        services.microphoneAccess = std::make_unique<FakeMicrophoneAccess>();
        services.launcher = std::make_unique<FakeProgramLauncher>();
        services.listDevices = [] { return std::vector<AudioInputDevice>{}; };
        services.makeSource = [](const std::optional<AudioInputDevice>&) {
            return std::shared_ptr<AudioInputSource>();
        };
        services.makeEngine = [] { return std::make_shared<test::ScriptedTranscriptionEngine>(); };
        services.makePlayer = players.factory();
        return std::make_unique<AppModel>(LibraryStore(root.path()), std::move(services));
    }

    // A recording written as another process would, with a transcript of these texts.
    Uuid add(const std::string& title, std::int64_t createdAt,
             const std::vector<std::string>& texts = {}) {
        LibraryItem item = test::sampleItem(title, createdAt);
        fs::create_directories(store().itemFolderURL(item.id));
        store().save(item);
        if (!texts.empty()) {
            Transcript transcript;
            for (const auto& text : texts) {
                transcript.segments.push_back({0, 1, text});
            }
            TranscriptStore(store()).save(TranscriptDocument(transcript, {}), item.id);
        }
        return item.id;
    }

    const LibraryStore& store() { return app->library().store(); }
    QStringList titles() const {
        QStringList shown;
        for (int row = 0; row < filtered.rowCount(); ++row) {
            shown << filtered.index(row, 0).data().toString();
        }
        return shown;
    }

    test::TemporaryFolder root;
    FakeAudioPlayers players;
    std::unique_ptr<AppModel> app = makeApp();
    RecordingListModel rows{app->library(), app->recorder(), app->transcription()};
    RecordingFilterModel filtered{rows, app->library(), app->navigation(), &app->search()};
    QAbstractItemModelTester rowsTester{&rows,
                                        QAbstractItemModelTester::FailureReportingMode::Fatal};
    QAbstractItemModelTester filteredTester{&filtered,
                                            QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(RecordingListModelTest, ARenameChangesOneRowAndTheSelectionStays) {
    add("First", 1000);
    const Uuid second = add("Second", 2000);
    add("Third", 3000);
    app->library().refreshFromDisk();
    ASSERT_EQ(titles(), (QStringList{"Third", "Second", "First"}));
    QItemSelectionModel selection(&filtered);
    selection.setCurrentIndex(filtered.indexOf(second), QItemSelectionModel::ClearAndSelect);

    QSignalSpy resets(&filtered, &QAbstractItemModel::modelReset);
    QSignalSpy layouts(&filtered, &QAbstractItemModel::layoutChanged);
    QSignalSpy removals(&filtered, &QAbstractItemModel::rowsRemoved);
    QSignalSpy insertions(&filtered, &QAbstractItemModel::rowsInserted);
    QSignalSpy changes(&rows, &QAbstractItemModel::dataChanged);
    ASSERT_TRUE(app->library().changes().rename(second, "Renamed"));

    EXPECT_EQ(titles(), (QStringList{"Third", "Renamed", "First"}));
    EXPECT_EQ(resets.count() + layouts.count() + removals.count() + insertions.count(), 0);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][0].toModelIndex(), rows.indexOf(second));
    EXPECT_EQ(changes[0][1].toModelIndex(), rows.indexOf(second));
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows().front(), filtered.indexOf(second));
    EXPECT_EQ(filtered.indexOf(second).data(RecordingListModel::IdRole).toString(),
              QString::fromStdString(second.string()));
}

TEST_F(RecordingListModelTest, RecordingsAddedAndRemovedElsewhereComeAndGoWhereTheyBelong) {
    const Uuid first = add("First", 1000);
    const Uuid third = add("Third", 3000);
    app->library().refreshFromDisk();
    QItemSelectionModel selection(&filtered);
    selection.setCurrentIndex(filtered.indexOf(third), QItemSelectionModel::ClearAndSelect);
    QSignalSpy insertions(&rows, &QAbstractItemModel::rowsInserted);
    QSignalSpy removals(&rows, &QAbstractItemModel::rowsRemoved);
    QSignalSpy resets(&rows, &QAbstractItemModel::modelReset);

    add("Second", 2000);
    add("Fourth", 4000);
    fs::remove_all(store().itemFolderURL(first));
    app->library().refreshFromDisk();

    EXPECT_EQ(titles(), (QStringList{"Fourth", "Third", "Second"}));
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(removals.count(), 1);
    ASSERT_EQ(insertions.count(), 2); // above and below the selected row
    EXPECT_EQ(insertions[0][1].toInt(), 0);
    EXPECT_EQ(insertions[1][1].toInt(), 2);
    EXPECT_EQ(selection.selectedRows().front(), filtered.indexOf(third));
}

TEST_F(RecordingListModelTest, TheSidebarsFilterAndTheSearchNarrowTheRows) {
    const auto team = app->library().changes().createGroup("Team", {});
    const Uuid budget = add("Budget review", 1000, {"Nothing."});
    add("Standup", 2000, {"The Straße to Berlin."});
    add("Retro", 3000, {"A budget for Berlin."});
    app->library().refreshFromDisk();
    app->library().changes().move({budget}, team.id);

    app->navigation().setFilter(LibraryFilter::group(team.id));
    EXPECT_EQ(titles(), QStringList{"Budget review"});
    app->navigation().setFilter(LibraryFilter::notFiled());
    EXPECT_EQ(titles(), (QStringList{"Retro", "Standup"}));

    app->navigation().setFilter(LibraryFilter::all());
    LibrarySearch& search = app->search();
    ASSERT_TRUE(test::waitUntil([&] { return !search.isUpdating(); }));
    search.setText("berlin strasse");
    ASSERT_TRUE(test::waitUntil([&] { return search.isComplete(); }));
    EXPECT_EQ(titles(), QStringList{"Standup"});
    EXPECT_EQ(filtered.index(0, 0).data(RecordingFilterModel::SnippetRole).toString(),
              "The Straße to Berlin.");

    search.setText("budget");
    ASSERT_TRUE(test::waitUntil([&] { return search.isComplete(); }));
    EXPECT_EQ(titles(), (QStringList{"Retro", "Budget review"}));
    // The title matched, no segment: no snippet.
    EXPECT_EQ(filtered.indexOf(budget).data(RecordingFilterModel::SnippetRole).toString(), "");

    search.setText("  ");
    EXPECT_FALSE(search.isActive());
    EXPECT_EQ(titles(), (QStringList{"Retro", "Standup", "Budget review"}));
}

} // namespace
} // namespace bw
