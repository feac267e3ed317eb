#include "ui/recording_list.h"

#include "library/library_test_support.h"
#include "ui/detail_view.h"
#include "ui/elided_label.h"
#include "ui/empty_state_view.h"
#include "ui/item_detail_view.h"
#include "ui/main_window.h"
#include "ui/recording_list_header.h"
#include "ui/recording_rows.h"
#include "ui/rename_sheet.h"
#include "ui/transcript_test_support.h"
#include "ui/widget_test_app.h"
#include "ui/window_test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace bw {
namespace {

using test::waitFor;

class RecordingListTest : public testing::Test {
protected:
    RecordingListTest() { window.show(); }

    LibraryModel& library() { return fixture.app->library(); }
    LibraryNavigation& navigation() { return fixture.app->navigation(); }
    ui::RecordingList& list() { return *window.recordingList(); }
    int rowOf(const Uuid& id) { return list().model()->indexOf(id).row(); }
    std::unique_ptr<QMenu> contextMenu(const Uuid& id) {
        return std::unique_ptr<QMenu>(list().makeContextMenu(rowOf(id)));
    }
    void pressDelete() { QTest::keyClick(list().view(), Qt::Key_Delete); }

    test::WidgetTestApp fixture;
    ui::MainWindow window{*fixture.app};
};

TEST_F(RecordingListTest, ClickingARowSelectsTheRecordingAndShowsItsDetail) {
    fixture.importTone("First");
    const Uuid second = fixture.importTone("Second");
    navigation().setSelection(std::nullopt);
    EXPECT_EQ(window.detail()->currentPage(), window.detail()->emptyState());

    QListView* view = list().view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(list().model()->indexOf(second)).center());
    EXPECT_EQ(navigation().selection(), second);
    EXPECT_EQ(window.detail()->currentPage(), window.detail()->itemDetail());
    EXPECT_EQ(window.detail()->itemDetail()->titleLabel()->text(), "Second");
    EXPECT_EQ(fixture.app->player().url(), library().store().audioFileURL(*library().item(second)));
}

TEST_F(RecordingListTest, RenamingSavesTheTrimmedTitleAndClosesTheSheet) {
    const Uuid id = fixture.importTone("Old");
    test::actionNamed(*contextMenu(id), "Rename…")->trigger();
    ui::RenameSheet* sheet = list().renameSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->field()->text(), "Old");

    sheet->field()->setText("  New title ");
    sheet->saveButton()->click();
    EXPECT_EQ(library().item(id)->title, "New title");
    EXPECT_TRUE(waitFor([&] { return list().renameSheet() == nullptr; }));
}

TEST_F(RecordingListTest, RenamingToOnlySpacesKeepsTheSheetOpenWithTheAlert) {
    const Uuid id = fixture.importTone("Kept");
    test::actionNamed(*contextMenu(id), "Rename…")->trigger();
    ui::RenameSheet* sheet = list().renameSheet();
    ASSERT_NE(sheet, nullptr);

    sheet->field()->setText("   ");
    EXPECT_FALSE(sheet->saveButton()->isEnabled());
    QTest::keyClick(sheet->field(), Qt::Key_Return);
    ASSERT_TRUE(fixture.app->alerts().alert().has_value());
    EXPECT_EQ(fixture.app->alerts().alert()->title, "Something went wrong");
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(library().item(id)->title, "Kept");
}

TEST_F(RecordingListTest, DeletingAsksFirstAndThenRemovesTheRecording) {
    const Uuid id = fixture.importTone("Talk");
    navigation().setSelection(id);
    pressDelete();
    QMessageBox* box = list().deleteConfirmation();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Delete “Talk”?");
    EXPECT_EQ(box->informativeText(),
              "The audio and its transcript are deleted from this computer. They don't go to the "
              "Trash, so this can't be undone.");

    test::buttonNamed(*box, "Delete")->click();
    EXPECT_FALSE(library().item(id).has_value());
    EXPECT_FALSE(std::filesystem::exists(library().store().itemFolderURL(id)));
}

TEST_F(RecordingListTest, TheRecordingInProgressCannotBeDeleted) {
    const Uuid id = fixture.startRecording();
    EXPECT_FALSE(test::actionNamed(*contextMenu(id), "Delete…")->isEnabled());
    navigation().setSelection(id);
    pressDelete();
    EXPECT_EQ(list().deleteConfirmation(), nullptr);
    EXPECT_TRUE(library().item(id).has_value());
}

TEST_F(RecordingListTest, TheMoveToMenuMovesTheRecordingAndOffersOnlyOtherPlaces) {
    const auto group = library().changes().createGroup("Team", {});
    const Uuid id = fixture.importTone("Talk");
    auto menu = contextMenu(id);
    EXPECT_FALSE(test::actionNamed(*menu, "No Group")->isEnabled());
    test::actionNamed(*menu, "Team")->trigger();
    EXPECT_EQ(library().item(id)->groupID, group.id);

    menu = contextMenu(id);
    EXPECT_FALSE(test::actionNamed(*menu, "Team")->isEnabled());
    test::actionNamed(*menu, "New Group…")->trigger();
    ASSERT_TRUE(navigation().groupEditor().has_value());
    EXPECT_EQ(std::get<GroupEditor::Create>(navigation().groupEditor()->purpose).moving,
              std::vector<Uuid>{id});
}

struct EmptyCase {
    std::string name;
    bool hasRecording;
    std::string filter; // "Empty" (a group without recordings), "all" or "notFiled"
    QString title;
    QString message;
};

class RecordingListEmptyTest : public testing::TestWithParam<EmptyCase> {};

TEST_P(RecordingListEmptyTest, ShowsThePlaceholderForWhatIsMissing) {
    const EmptyCase& param = GetParam();
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    LibraryModel& library = fixture.app->library();
    LibraryNavigation& navigation = fixture.app->navigation();
    const auto team = library.changes().createGroup("Team", {});
    const auto empty = library.changes().createGroup("Empty", {});
    if (param.hasRecording) {
        library.changes().move({fixture.importTone("Talk")}, team.id);
    }
    navigation.setFilter(param.filter == "Empty"      ? LibraryFilter::group(empty.id)
                         : param.filter == "notFiled" ? LibraryFilter::notFiled()
                                                      : LibraryFilter::all());
    ui::EmptyStateView* placeholder = window.recordingList()->emptyState();
    EXPECT_TRUE(placeholder->isVisible());
    EXPECT_EQ(placeholder->title(), param.title);
    EXPECT_EQ(placeholder->message(), param.message);
    // Its texts wrap to fit the list at its narrowest rather than being cut at both ends.
    EXPECT_LE(placeholder->minimumSizeHint().width(), window.recordingList()->minimumWidth());
}

INSTANTIATE_TEST_SUITE_P(
    States, RecordingListEmptyTest,
    testing::Values(
        EmptyCase{"no_recordings", false, "all", "No recordings yet",
                  "Record a meeting or dictation, or drag an m4a, mp3 or wav file here."},
        EmptyCase{"no_recordings_in_group", false, "Empty", "No recordings yet",
                  "Record a meeting or dictation, or drag an m4a, mp3 or wav file here."},
        EmptyCase{"all_filed", true, "notFiled", "Every recording is in a group",
                  "Recordings that aren't in a group are listed here."},
        EmptyCase{"empty_group", true, "Empty", "No recordings in this group",
                  "Record or import while this group is selected, or drag recordings onto the "
                  "group in the sidebar."}),
    [](const auto& info) { return info.param.name; });

TEST_F(RecordingListTest, TheHeaderNamesTheFilterAndFallsBackWhenItsGroupGoes) {
    const auto group = library().changes().createGroup("Team", {});
    library().changes().move({fixture.importTone("Talk")}, group.id);
    navigation().setFilter(LibraryFilter::group(group.id));
    EXPECT_EQ(list().header()->title(), "Team");
    EXPECT_EQ(list().header()->countText(), "1 recording");

    library().changes().deleteGroup(group.id);
    EXPECT_EQ(list().header()->title(), "All Recordings");
    EXPECT_EQ(list().header()->countText(), "1 recording");
    fixture.importTone("Another");
    EXPECT_EQ(list().header()->countText(), "2 recordings");
}

TEST_F(RecordingListTest, TheSearchFieldNarrowsTheListToWhatMatchesAndEscapeClearsIt) {
    const Uuid talk = fixture.importTone("Talk");
    test::saveTranscript(*fixture.app, talk, {{0, 2, "Hello."}, {2, 4, "The budget for Berlin."}});
    fixture.importTone("Other");
    navigation().setSelection(talk);
    const int plainHeight = list().view()->visualRect(list().model()->indexOf(talk)).height();
    QLineEdit* field = list().searchField();
    QTest::keyClicks(field, "berlin budget");
    ASSERT_TRUE(waitFor([&] {
        return fixture.app->search().isComplete() && fixture.app->search().isActive() &&
               list().model()->rowCount() == 1;
    }));
    EXPECT_EQ(rowOf(talk), 0);
    EXPECT_EQ(list().model()->index(0, 0).data(ui::RecordingRows::SnippetRole).toString(),
              "The budget for Berlin.");
    EXPECT_EQ(list().header()->countText(), "1 recording");
    EXPECT_EQ(navigation().selection(), talk);
    // The row grew a line for the match.
    EXPECT_GT(list().view()->visualRect(list().model()->indexOf(talk)).height(), plainHeight);

    QTest::keyClicks(field, " paris");
    ASSERT_TRUE(waitFor(
        [&] { return fixture.app->search().isComplete() && list().model()->rowCount() == 0; }));
    EXPECT_TRUE(list().emptyState()->isVisible());
    EXPECT_EQ(list().emptyState()->title(), "No matches");
    // Hidden by the search, the recording stays selected and shown in the detail.
    EXPECT_EQ(navigation().selection(), talk);

    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(list().model()->rowCount(), 2);
    EXPECT_TRUE(list().view()->selectionModel()->isSelected(list().model()->indexOf(talk)));
}

} // namespace
} // namespace bw
