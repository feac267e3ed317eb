#include "ui/detail_view.h"

#include "ui/empty_state_view.h"
#include "ui/item_detail_view.h"
#include "ui/main_window.h"
#include "ui/player_view.h"
#include "ui/recording_panel.h"
#include "ui/transcript_section.h"
#include "ui/widget_test_app.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace bw {
namespace {

class DetailViewTest : public testing::Test {
protected:
    DetailViewTest() {
        window.show();
        window.activateWindow(); // the space bar is a shortcut of the active window
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    LibraryModel& library() { return fixture.app->library(); }
    LibraryNavigation& navigation() { return fixture.app->navigation(); }
    ui::ItemDetailView& detail() { return *window.detail()->itemDetail(); }
    ui::PlayerView& player() { return *detail().player(); }

    test::WidgetTestApp fixture;
    ui::MainWindow window{*fixture.app};
};

TEST_F(DetailViewTest, ShowsThePlaceholderTheRecordingPanelOrTheRecordingsDetail) {
    ui::DetailView& view = *window.detail();
    EXPECT_EQ(view.currentPage(), view.emptyState());
    EXPECT_EQ(view.emptyState()->title(), "Select a recording");

    const Uuid recording = fixture.startRecording();
    navigation().setSelection(recording);
    EXPECT_EQ(view.currentPage(), view.recordingPanel());
    EXPECT_TRUE(fixture.players.made.empty()); // the file being written is not opened

    fixture.app->recorder().stop();
    EXPECT_EQ(view.currentPage(), view.itemDetail());
    EXPECT_FALSE(player().showsFailure());
    EXPECT_EQ(fixture.players.made.size(), 1u);
    EXPECT_TRUE(detail().informationLabel()->text().endsWith(" · 0:01"));
    EXPECT_FALSE(detail().interruptedNotice()->isVisible());
}

TEST_F(DetailViewTest, TheButtonAndTheSpaceBarPlayAndPause) {
    navigation().setSelection(fixture.importTone("Talk"));
    ASSERT_EQ(fixture.players.made.size(), 1u);
    EXPECT_EQ(player().timeLabel()->text(), "0:00 / 0:10");
    EXPECT_EQ(player().playButton()->toolTip(), "Play");

    player().playButton()->click();
    EXPECT_TRUE(fixture.app->player().isPlaying());
    EXPECT_EQ(player().playButton()->toolTip(), "Pause");
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_FALSE(fixture.app->player().isPlaying());

    emit detail().transcript()->editingTextChanged(true);
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_FALSE(fixture.app->player().isPlaying());
    emit detail().transcript()->editingTextChanged(false);
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_TRUE(fixture.app->player().isPlaying());
}

TEST_F(DetailViewTest, AnUnplayableFileShowsTheMessageInsteadOfTheControls) {
    const Uuid id = fixture.importTone("Broken");
    fixture.importTone("Other"); // selected and loaded instead
    fixture.players.unplayable.insert(library().store().audioFileURL(*library().item(id)));
    navigation().setSelection(id);
    EXPECT_TRUE(player().showsFailure());
    EXPECT_TRUE(player().failureLabel()->isVisible());
    EXPECT_EQ(player().failureLabel()->text(), "This audio can't be played.");
    EXPECT_FALSE(player().playButton()->isVisible());
}

} // namespace
} // namespace bw
