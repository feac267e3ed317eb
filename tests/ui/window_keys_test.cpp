#include "ui/window_keys.h"

#include "ui/app_commands.h"
#include "ui/application_shell.h"
#include "ui/detail_view.h"
#include "ui/elided_label.h"
#include "ui/focus_ring.h"
#include "ui/item_detail_view.h"
#include "ui/main_window.h"
#include "ui/player_view.h"
#include "ui/recording_list.h"
#include "ui/transcript_editor_view.h"
#include "ui/transcript_section.h"
#include "ui/transcript_test_support.h"
#include "ui/transcript_text_view.h"
#include "ui/widget_test_app.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace bw {
namespace {

using test::waitFor;

// A window showing one recording with a transcript of 40 segments, 5 s each, three of which
// speak of the budget.
class WindowKeysTest : public testing::Test {
protected:
    WindowKeysTest() {
        fixture.players.duration = 200;
        window.resize(1000, 520);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        id = fixture.importTone("Talk");
        std::vector<TranscriptSegment> segments;
        for (int i = 0; i < 40; ++i) {
            const bool budget = i == 3 || i == 20 || i == 33;
            segments.push_back({5.0 * i, 5.0 * i + 4.5,
                                budget ? "We talk about the budget now." : "Words, words."});
        }
        test::saveTranscript(*fixture.app, id, segments);
        fixture.importTone("Other"); // selected instead, so Talk is loaded again with its text
        fixture.app->navigation().setSelection(id);
        EXPECT_TRUE(waitFor([&] { return section().editorView() != nullptr; }));
    }

    ui::TranscriptSection& section() { return *window.detail()->itemDetail()->transcript(); }
    ui::TranscriptEditorView& editor() { return *section().editorView(); }
    ui::TranscriptTextView& text() { return editor().textView(); }
    PlaybackModel& player() { return fixture.app->player(); }

    // The paragraph of the current match, when it is in view.
    std::optional<std::int64_t> currentMatchSegment() {
        const auto current = editor().currentMatch();
        return current ? std::optional(editor().searchMatches().at(*current).segment)
                       : std::nullopt;
    }

    bool inView(int paragraph) {
        const QTextBlock block = text().document()->findBlockByNumber(paragraph);
        const QRect rect =
            text().document()->documentLayout()->blockBoundingRect(block).toRect().translated(
                0, -text().verticalScrollBar()->value());
        return text().viewport()->rect().contains(rect);
    }

    void search(const QString& words) {
        QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
        QLineEdit* field = window.recordingList()->searchField();
        ASSERT_TRUE(field->hasFocus());
        QTest::keyClicks(field, words);
        ASSERT_TRUE(waitFor([&] {
            return fixture.app->search().text() == words.toStdString() &&
                   fixture.app->search().isComplete() && editor().searchMatches().size() == 3;
        }));
    }

    test::WidgetTestApp fixture;
    ui::MainWindow window{*fixture.app};
    Uuid id;
};

TEST_F(WindowKeysTest, FindSearchesAndFindNextAndPreviousGoRoundTheMatches) {
    search("budget");
    // The first match is the current one and comes into view.
    EXPECT_EQ(currentMatchSegment(), 3);
    EXPECT_TRUE(waitFor([&] { return inView(3); }));

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::int64_t segment;
    };
    const Step steps[] = {{Qt::Key_G, Qt::ControlModifier, 20},
                          {Qt::Key_F3, Qt::NoModifier, 33},
                          {Qt::Key_F3, Qt::NoModifier, 3},
                          {Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier, 33},
                          {Qt::Key_F3, Qt::ShiftModifier, 20}};
    for (const auto& step : steps) {
        QTest::keyClick(&window, step.key, step.modifiers);
        EXPECT_EQ(currentMatchSegment(), step.segment);
        EXPECT_TRUE(inView(int(step.segment))) << step.segment;
        // The cursor waits at the matched word.
        const auto& paragraph = editor().layout().paragraphs.at(std::size_t(step.segment));
        EXPECT_EQ(text().textCursor().position(),
                  paragraph.textRange.location + QString("We talk about the ").size());
    }
    // Each matching segment and each matched word is marked.
    EXPECT_EQ(text().extraSelections().size(), 6);

    QTest::keyClick(window.recordingList()->searchField(), Qt::Key_Escape);
    EXPECT_TRUE(window.recordingList()->searchField()->text().isEmpty());
    EXPECT_FALSE(fixture.app->search().isActive());
    EXPECT_TRUE(editor().searchMatches().empty());
}

TEST_F(WindowKeysTest, PlaybackKeysWorkInTheTextAndLeaveItsOwnKeysAlone) {
    text().setFocus();
    QTextCursor cursor(text().document());
    cursor.setPosition(int(editor().layout().paragraphs.at(0).textRange.location));
    text().setTextCursor(cursor);

    QTest::keyClick(&text(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(player().isPlaying());
    QTest::keyClick(&text(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_FALSE(player().isPlaying());
    player().seek(20);
    QTest::keyClick(&text(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(player().currentTime(), 25);
    QTest::keyClick(&text(), Qt::Key_Left, Qt::AltModifier);
    QTest::keyClick(&text(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(player().currentTime(), 15);

    // The editor's own: Ctrl+Right moves a word, Space types a space; the player stays.
    const int before = text().textCursor().position();
    QTest::keyClick(&text(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_GT(text().textCursor().position(), before);
    QTest::keyClick(&text(), Qt::Key_Space);
    EXPECT_EQ(player().currentTime(), 15);
    EXPECT_FALSE(player().isPlaying());
    EXPECT_EQ(editor().layout().paragraphs.at(0).textRange.length,
              QString("Words, words.").size() + 1);
}

// Space presses a focused button and types in a field; elsewhere it still plays.
TEST_F(WindowKeysTest, SpaceBelongsToTheFocusedButtonOrFieldBeforeThePlayer) {
    auto* button = new QPushButton("Probe", window.detail());
    button->show();
    int presses = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++presses; });
    QLineEdit* field = window.recordingList()->searchField();
    for (QWidget* focused : {static_cast<QWidget*>(button), static_cast<QWidget*>(field)}) {
        focused->setFocus();
        QTest::keyClick(focused, Qt::Key_Space);
        EXPECT_FALSE(player().isPlaying()) << focused->metaObject()->className();
    }
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(field->text(), " ");
    field->clear();
    window.recordingList()->view()->setFocus();
    QTest::keyClick(window.recordingList()->view(), Qt::Key_Space);
    EXPECT_TRUE(player().isPlaying());
}

// Alt and Super chords belong to the menus and the desktop: the transcript types none of them.
TEST_F(WindowKeysTest, AltAndSuperLettersTypeNothingInTheText) {
    text().setFocus();
    QTextCursor cursor(text().document());
    cursor.setPosition(int(editor().layout().paragraphs.at(0).textRange.location));
    text().setTextCursor(cursor);
    const auto length = editor().layout().paragraphs.at(0).textRange.length;
    for (const auto modifier : {Qt::AltModifier, Qt::MetaModifier}) {
        QTest::keyClick(&text(), Qt::Key_F, modifier);
        QTest::keyClick(&text(), Qt::Key_Q, modifier | Qt::ShiftModifier);
    }
    EXPECT_EQ(editor().layout().paragraphs.at(0).textRange.length, length);
    QTest::keyClick(&text(), Qt::Key_F);
    EXPECT_EQ(editor().layout().paragraphs.at(0).textRange.length, length + 1);
}

// A title longer than the pane is elided with the whole of it as tooltip, and the panes keep
// their widths.
TEST_F(WindowKeysTest, ALongTitleIsElidedAndThePanesKeepTheirWidths) {
    const QList<int> widths = window.splitter()->sizes();
    const std::string title = "Quarterly" + std::string(300, 'x') + " review";
    ASSERT_TRUE(fixture.app->library().changes().rename(id, title));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.splitter()->sizes(), widths);
    const auto* label = window.detail()->itemDetail()->titleLabel();
    EXPECT_TRUE(label->text().startsWith("Quarterly")) << label->text().toStdString();
    EXPECT_TRUE(label->text().endsWith("\u2026")) << label->text().toStdString();
    EXPECT_EQ(label->toolTip().toStdString(), title);
    EXPECT_LE(label->width(), window.detail()->width());
}

TEST_F(WindowKeysTest, TheSpeedIsChosenBesideThePlayerAndRemembered) {
    QComboBox& speed = *window.detail()->itemDetail()->player()->speedPicker();
    ASSERT_EQ(speed.count(), 7);
    EXPECT_EQ(speed.itemText(0), "0.5\u00D7");
    EXPECT_EQ(speed.currentText(), "1\u00D7");
    speed.setCurrentIndex(4);
    emit speed.activated(4);
    EXPECT_EQ(player().rate(), 1.5);
    EXPECT_EQ(fixture.players.last().rate, 1.5);
    player().setRate(0.75);
    EXPECT_EQ(speed.currentText(), "0.75\u00D7");
}

// The position slider answers the keys and a click on its groove by seeking, in steps a person
// can hear, from 100 s of the 200 s recording.
TEST_F(WindowKeysTest, TheSliderSeeksWithItsKeysAndByAClickOnItsGroove) {
    QSlider& slider = *window.detail()->itemDetail()->player()->slider();
    struct Case {
        const char* name;
        std::function<void()> act;
        double expected;
        double tolerance;
    };
    auto key = [&](Qt::Key key) { return [&slider, key] { QTest::keyClick(&slider, key); }; };
    auto click = [&](double fraction) {
        return [&slider, fraction] {
            QTest::mouseClick(&slider, Qt::LeftButton, {},
                              QPoint(int(slider.width() * fraction), slider.height() / 2));
        };
    };
    // A click lands within a few pixels of its point, whatever the style's handle.
    const Case cases[] = {
        {"right arrow", key(Qt::Key_Right), 105, 0.01},
        {"left arrow", key(Qt::Key_Left), 95, 0.01},
        {"page up", key(Qt::Key_PageUp), 130, 0.01},
        {"page down", key(Qt::Key_PageDown), 70, 0.01},
        {"groove near the end", click(0.9), 180, 5},
        {"groove near the start", click(0.1), 20, 5},
    };
    for (const auto& c : cases) {
        player().seek(100);
        slider.setFocus();
        c.act();
        EXPECT_NEAR(player().currentTime(), c.expected, c.tolerance) << c.name;
        EXPECT_NEAR(slider.value() / 1000.0, player().currentTime(), 0.01) << c.name;
    }
}

// Tab goes round every control of the window, "Import Audio…" among them, and each shows that it
// has the focus.
TEST_F(WindowKeysTest, TabReachesImportAndEveryControlShowsItsFocus) {
    QWidget* import =
        window.findChild<QToolBar*>("mainToolBar")->widgetForAction(window.importAction());
    QWidget* first = window.recordingList()->view();
    first->setFocus();
    ASSERT_TRUE(waitFor([&] { return first->hasFocus(); }));
    std::vector<QWidget*> reached;
    for (QWidget* focused = first; reached.size() < 60;) {
        reached.push_back(focused);
        EXPECT_TRUE(window.focusRing()->isShown()) << focused->metaObject()->className();
        EXPECT_EQ(window.focusRing()->widget(), focused) << focused->metaObject()->className();
        QTest::keyClick(focused, Qt::Key_Tab);
        focused = QApplication::focusWidget();
        if (!focused || focused == first) {
            break;
        }
    }
    EXPECT_NE(std::find(reached.begin(), reached.end(), import), reached.end());
    EXPECT_GE(reached.size(), 5u); // the list, the sidebar, the player's controls, the text, ...
}

TEST(WindowKeysMenuTest, TheHelpMenuListsTheKeys) {
    test::WidgetTestApp fixture;
    ui::ApplicationShell shell(*fixture.app, false, [] {});
    QMenu* keys = nullptr;
    for (auto* top : shell.window().menuBar()->actions()) {
        if (QString(top->text()).remove('&') == "Help") {
            for (auto* action : top->menu()->actions()) {
                if (QString(action->text()).remove('&') == "Keyboard Shortcuts") {
                    keys = action->menu();
                }
            }
        }
    }
    ASSERT_NE(keys, nullptr);
    std::vector<std::pair<std::string, std::string>> listed;
    for (auto* action : keys->actions()) {
        if (!action->isSeparator()) {
            listed.emplace_back(action->text().toStdString(),
                                action->shortcut().toString().toStdString());
        }
    }
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, std::string>>{
                          {"Find\u2026", "Ctrl+F"},
                          {"Find Next", "Ctrl+G"},
                          {"Find Previous", "Ctrl+Shift+G"},
                          {"Play or Pause", "Ctrl+Space"},
                          {"Back 5 Seconds", "Alt+Left"},
                          {"Forward 5 Seconds", "Alt+Right"}}));
}

} // namespace
} // namespace bw
