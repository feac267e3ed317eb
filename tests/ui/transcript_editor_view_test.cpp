#include "ui/transcript_editor_view.h"

#include "transcripts/transcript_editor_model.h"
#include "ui/doubt_mark.h"
#include "ui/transcript_test_support.h"
#include "ui/transcript_text_view.h"
#include "ui/widget_test_app.h"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace bw {
namespace {

// "\t0:00\tHello there\n\t1:05\tGeneral": the first text is [6, 17), the second label [19, 23)
// and the second text [24, 31).
const QString original = "\t0:00\tHello there\n\t1:05\tGeneral";

class TranscriptEditorViewTest : public testing::Test {
protected:
    TranscriptEditorViewTest() {
        fixture.players.duration = 100;
        const Uuid id = fixture.importTone("Talk");
        test::saveTranscript(*fixture.app, id, {{0, 2, "Hello there"}, {65.9, 70, "General"}});
        auto item = fixture.app->library().item(id).value();
        fixture.app->player().load(fixture.app->library().store().audioFileURL(item));
        editor = TranscriptEditorModel::load(id, TranscriptStore(fixture.app->library().store()));
        view = new ui::TranscriptEditorView(*editor, fixture.app->player(), &window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(view);
        auto* other = new QLineEdit(&window);
        layout->addWidget(other);
        window.resize(480, 320);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        other->setFocus(); // the transcript starts unfocused, as after a click elsewhere
    }

    ui::TranscriptTextView& text() const { return view->textView(); }

    void select(int anchor, int position) const {
        QTextCursor cursor(text().document());
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        text().setTextCursor(cursor);
    }

    // The viewport point of the character boundary at `position`.
    QPoint pointAt(int position) const {
        QTextCursor cursor(text().document());
        cursor.setPosition(position);
        return text().cursorRect(cursor).center();
    }

    std::string segment(std::size_t index) const {
        return editor->document().segments.at(index).text;
    }

    test::WidgetTestApp fixture;
    std::unique_ptr<TranscriptEditorModel> editor;
    QWidget window;
    ui::TranscriptEditorView* view = nullptr;
};

void drop(ui::TranscriptTextView& view, QPoint point, const QString& text) {
    QMimeData data;
    data.setText(text);
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &enter);
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &drop);
}

void commit(ui::TranscriptTextView& view, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(&view, &event);
}

struct EditCase {
    const char* name;
    int anchor;
    int position;
    std::function<void(ui::TranscriptTextView&, QPoint)> act; // the point is at `position`
    QString expected;
    std::string first;
    std::string second;
};

TEST_F(TranscriptEditorViewTest, EditsChangeOnlySegmentTextsAndLineBreaksNeverEnter) {
    auto type = [](QString keys) {
        return [keys](ui::TranscriptTextView& view, QPoint) { QTest::keyClicks(&view, keys); };
    };
    auto key = [](Qt::Key key) {
        return [key](ui::TranscriptTextView& view, QPoint) { QTest::keyClick(&view, key); };
    };
    const EditCase cases[] = {
        {"typing in a text", 11, 11, type(","), "\t0:00\tHello, there\n\t1:05\tGeneral",
         "Hello, there", "General"},
        {"typing in a time label", 2, 2, type("x"), original, "Hello there", "General"},
        {"typing over two paragraphs", 12, 26, type("x"), original, "Hello there", "General"},
        {"deleting two paragraphs", 12, 26, key(Qt::Key_Delete), original, "Hello there",
         "General"},
        {"Return", 11, 11, key(Qt::Key_Return), original, "Hello there", "General"},
        {"Backspace into the tab", 6, 6, key(Qt::Key_Backspace), original, "Hello there",
         "General"},
        {"deleting a whole text", 6, 17, key(Qt::Key_Backspace), "\t0:00\t\n\t1:05\tGeneral", "",
         "General"},
        {"cutting from a text", 6, 12,
         [](ui::TranscriptTextView& view, QPoint) { QMetaObject::invokeMethod(&view, "cut"); },
         "\t0:00\tthere\n\t1:05\tGeneral", "there", "General"},
        {"cutting a time label", 19, 25,
         [](ui::TranscriptTextView& view, QPoint) { QMetaObject::invokeMethod(&view, "cut"); },
         original, "Hello there", "General"},
        {"pasting two lines", 31, 31,
         [](ui::TranscriptTextView& view, QPoint) {
             QApplication::clipboard()->setText(" two\nlines");
             QTest::keySequence(&view, QKeySequence::Paste);
         },
         original + " two lines", "Hello there", "General two lines"},
        {"input method in a text", 31, 31,
         [](ui::TranscriptTextView& view, QPoint) { commit(view, "é"); }, original + "é",
         "Hello there", "Generalé"},
        {"input method in a label", 20, 20,
         [](ui::TranscriptTextView& view, QPoint) { commit(view, "é"); }, original, "Hello there",
         "General"},
        {"dropping into a text", 27, 27,
         [](ui::TranscriptTextView& view, QPoint point) { drop(view, point, "X\nY"); },
         "\t0:00\tHello there\n\t1:05\tGenX Yeral", "Hello there", "GenX Yeral"},
        {"dropping onto a label", 21, 21,
         [](ui::TranscriptTextView& view, QPoint point) { drop(view, point, "X"); }, original,
         "Hello there", "General"},
    };
    for (const auto& edit : cases) {
        SCOPED_TRACE(edit.name);
        for (std::size_t i = 0; i < 2; ++i) {
            editor->setText(editor->document().segments[i].originalText, std::int64_t(i));
        }
        editor->reloaded(); // the view shows the document afresh
        select(edit.anchor, edit.position);
        edit.act(text(), pointAt(edit.position));
        EXPECT_EQ(text().toPlainText(), edit.expected);
        EXPECT_EQ(segment(0), edit.first);
        EXPECT_EQ(segment(1), edit.second);
    }
}

TEST_F(TranscriptEditorViewTest, UndoAndRedoTakeTypingBackAndForthInOneStep) {
    select(31, 31);
    QTest::keyClicks(&text(), "abc");
    ASSERT_EQ(segment(1), "Generalabc");
    QTest::keySequence(&text(), QKeySequence::Undo);
    EXPECT_EQ(text().toPlainText(), original);
    EXPECT_EQ(segment(1), "General");
    QTest::keySequence(&text(), QKeySequence::Redo);
    EXPECT_EQ(text().toPlainText(), original + "abc");
    EXPECT_EQ(segment(1), "Generalabc");
}

TEST_F(TranscriptEditorViewTest, RestoreOriginalTextIsOfferedForEditedSegmentsAndCanBeUndone) {
    auto restoreItem = [&](int position) {
        std::unique_ptr<QMenu> menu(text().createContextMenu(pointAt(position)));
        QAction* action = menu->actions().front();
        EXPECT_EQ(action->text(), "Restore Original Text");
        return std::make_pair(std::move(menu), action);
    };
    select(31, 31);
    QTest::keyClicks(&text(), "abc");
    EXPECT_FALSE(restoreItem(8).second->isEnabled());

    auto [menu, restore] = restoreItem(27);
    ASSERT_TRUE(restore->isEnabled());
    restore->trigger();
    EXPECT_EQ(text().toPlainText(), original);
    EXPECT_FALSE(editor->document().segments[1].isEdited());

    text().undo();
    EXPECT_EQ(text().toPlainText(), original + "abc");
    EXPECT_EQ(segment(1), "Generalabc");
}

// A file whose segment ids are not their positions: the edit and its restoring reach the
// segment shown, found by its id.
TEST_F(TranscriptEditorViewTest, RestoreOriginalTextFindsTheSegmentByItsId) {
    auto document = editor->document();
    document.segments[0].id = 9;
    document.segments[1].id = 5;
    TranscriptStore(fixture.app->library().store()).save(document, editor->itemID());
    ASSERT_TRUE(test::waitFor([&] { return editor->document() == document; }));
    select(31, 31);
    QTest::keyClicks(&text(), "abc");
    EXPECT_EQ(editor->document().segments[1].text, "Generalabc");
    std::unique_ptr<QMenu> menu(text().createContextMenu(pointAt(27)));
    QAction* restore = menu->actions().front();
    ASSERT_TRUE(restore->isEnabled());
    restore->trigger();
    EXPECT_EQ(text().toPlainText(), original);
    EXPECT_EQ(editor->document().segments[1].text, "General");
    EXPECT_EQ(editor->document().segments[0].text, "Hello there");
}

TEST_F(TranscriptEditorViewTest, ClickingATimeLabelSeeksWithoutPlayingOrEditing) {
    QTest::mouseClick(text().viewport(), Qt::LeftButton, {}, pointAt(21));
    EXPECT_DOUBLE_EQ(fixture.app->player().currentTime(), 65.9);
    EXPECT_FALSE(fixture.app->player().isPlaying());
    EXPECT_FALSE(text().hasFocus());
    EXPECT_FALSE(view->isEditingText());
    EXPECT_EQ(text().textCursor().position(), 0); // the cursor stayed where it was
}

TEST_F(TranscriptEditorViewTest, FocusIsEditingAndTabLeavesItSavingTheEdits) {
    QSignalSpy editing(view, &ui::TranscriptEditorView::editingTextChanged);
    QTest::mouseClick(text().viewport(), Qt::LeftButton, {}, pointAt(27));
    ASSERT_TRUE(text().hasFocus());
    QTest::keyClicks(&text(), "x");
    EXPECT_TRUE(editor->hasUnsavedChanges());
    QTest::keyClick(&text(), Qt::Key_Tab);
    EXPECT_FALSE(text().hasFocus());
    EXPECT_EQ(text().toPlainText(), "\t0:00\tHello there\n\t1:05\tGenxeral");
    EXPECT_FALSE(editor->hasUnsavedChanges()); // saved when the focus left
    ASSERT_EQ(editing.count(), 2);
    EXPECT_TRUE(editing.at(0).at(0).toBool());
    EXPECT_FALSE(editing.at(1).at(0).toBool());
}

TEST_F(TranscriptEditorViewTest, CopiedTextIsPlain) {
    select(0, 11);
    text().copy();
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    EXPECT_EQ(copied->formats(), QStringList{"text/plain"});
    EXPECT_EQ(copied->text(), "\t0:00\tHello");
}

TEST_F(TranscriptEditorViewTest, ATranscriptChangedOnDiskIsShownAgain) {
    test::saveTranscript(*fixture.app, editor->itemID(), {{0, 2, "Changed"}});
    EXPECT_TRUE(test::waitFor([&] { return text().toPlainText() == "\t0:00\tChanged"; }));
}

// A two-track transcript names the speaker after each time, in the time's subdued colour rather
// than the text's; typing or deleting there changes nothing, and the texts stay editable.
TEST_F(TranscriptEditorViewTest, SpeakersAreSubtleLabelsBeforeEachSegmentAndNotText) {
    EXPECT_EQ(text().toPlainText(), original) << "a single speaker is not named";
    test::saveTranscript(
        *fixture.app, editor->itemID(),
        {{0, 2, "Hello there", {}, Speaker::me}, {65.9, 70, "General", {}, Speaker::others}});
    // "\t0:00\tMe: Hello there\n\t1:05\tOthers: General": "Me:" is [6, 9), its text [10, 21),
    // "Others:" [28, 35) and its text [36, 43).
    const QString labelled = "\t0:00\tMe: Hello there\n\t1:05\tOthers: General";
    ASSERT_TRUE(test::waitFor([&] { return text().toPlainText() == labelled; }));
    auto colourAt = [&](int position) {
        QTextCursor cursor(text().document());
        cursor.setPosition(position + 1); // the format of the character before the cursor
        return cursor.charFormat().foreground().color();
    };
    const QColor subdued = view->palette().color(QPalette::PlaceholderText);
    EXPECT_EQ(colourAt(6), subdued);
    EXPECT_EQ(colourAt(30), subdued);
    EXPECT_NE(colourAt(12), subdued);
    EXPECT_NE(colourAt(38), subdued);

    struct Case {
        const char* name;
        int anchor;
        int position;
        std::function<void()> act;
        QString expected;
        std::string first;
    };
    auto type = [&](QString keys) { return [this, keys] { QTest::keyClicks(&text(), keys); }; };
    auto key = [&](Qt::Key key) { return [this, key] { QTest::keyClick(&text(), key); }; };
    const Case cases[] = {
        {"typing in a label", 7, 7, type("x"), labelled, "Hello there"},
        {"deleting a label", 6, 9, key(Qt::Key_Delete), labelled, "Hello there"},
        {"Backspace at a text's start", 10, 10, key(Qt::Key_Backspace), labelled, "Hello there"},
        {"typing over a label into a text", 8, 12, type("x"), labelled, "Hello there"},
        {"typing in a text", 15, 15, type(","), "\t0:00\tMe: Hello, there\n\t1:05\tOthers: General",
         "Hello, there"},
    };
    for (const auto& edit : cases) {
        SCOPED_TRACE(edit.name);
        editor->setText("Hello there", 0);
        editor->reloaded();
        select(edit.anchor, edit.position);
        edit.act();
        EXPECT_EQ(text().toPlainText(), edit.expected);
        EXPECT_EQ(segment(0), edit.first);
        EXPECT_EQ(editor->document().segments.at(0).speaker, Speaker::me);
    }
}

TEST_F(TranscriptEditorViewTest, DoubtfulTextIsMarkedUntilEditedAndUnheardSpeechIsCounted) {
    EXPECT_EQ(view->doubtMarkArea(0), std::nullopt);
    EXPECT_FALSE(view->unrecognizedSpeechNote().isVisibleTo(view));
    test::saveTranscript(
        *fixture.app, editor->itemID(),
        {{0, 2, "Hello there", {SegmentDoubt::repeatsPreviousLine}}, {65.9, 70, "General"}},
        TranscriptionLanguage::english, {{3, 4}, {10, 12}});
    ASSERT_TRUE(test::waitFor([&] { return !view->doubtToolTip(0).isEmpty(); }));
    EXPECT_EQ(view->doubtToolTip(0), "Doubtful: repeats the previous line");
    EXPECT_EQ(view->doubtToolTip(1), "");
    EXPECT_TRUE(view->unrecognizedSpeechNote().isVisibleTo(view));
    EXPECT_EQ(view->unrecognizedSpeechNote().text(), "2 stretches of speech gave no text");

    // The tooltip answers before the time label; the dot is drawn there, and nowhere else.
    auto toolTipAt = [&](QPoint point) {
        QToolTip::hideText(); // after a short delay
        EXPECT_TRUE(test::waitFor([] { return !QToolTip::isVisible(); }));
        QHelpEvent help(QEvent::ToolTip, point, text().viewport()->mapToGlobal(point));
        QApplication::sendEvent(text().viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    const QRectF area = view->doubtMarkArea(0).value();
    const QPoint dot(int(area.right()) - 4 - ui::DoubtMark::diameter / 2, int(area.center().y()));
    EXPECT_EQ(toolTipAt(dot), "Doubtful: repeats the previous line");
    EXPECT_EQ(toolTipAt(pointAt(8)), ""); // over the text
    const QImage drawn = text().viewport()->grab().toImage();
    const QPoint belowIt(dot.x(), pointAt(19).y()); // the same place in the undoubted paragraph
    EXPECT_NE(drawn.pixelColor(dot), drawn.pixelColor(belowIt));

    // Any edit takes the mark away; the original text brings it back.
    ASSERT_TRUE(text().replace({{6, 0, "Oh, "}}));
    EXPECT_EQ(view->doubtToolTip(0), "");
    EXPECT_EQ(view->doubtMarkArea(0), std::nullopt);
    EXPECT_EQ(toolTipAt(dot), "");
    ASSERT_TRUE(text().replace({{6, 4, ""}}));
    EXPECT_EQ(view->doubtToolTip(0), "Doubtful: repeats the previous line");
}

// A transcript of 60 segments of 4 s with a second's silence after each, taller than the view.
class TranscriptFollowTest : public testing::Test {
protected:
    TranscriptFollowTest() {
        fixture.players.duration = 400;
        const Uuid id = fixture.importTone("Talk");
        std::vector<TranscriptSegment> segments;
        for (int i = 0; i < 60; ++i) {
            segments.push_back({5.0 * i, 5.0 * i + 4, "Segment " + std::to_string(i) + "."});
        }
        test::saveTranscript(*fixture.app, id, segments);
        auto item = fixture.app->library().item(id).value();
        player().load(fixture.app->library().store().audioFileURL(item));
        editor = TranscriptEditorModel::load(id, TranscriptStore(fixture.app->library().store()));
        view = new ui::TranscriptEditorView(*editor, player(), &window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(view);
        window.resize(480, 240);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    PlaybackModel& player() { return fixture.app->player(); }
    ui::TranscriptTextView& text() const { return view->textView(); }
    QScrollBar& scrollBar() const { return *text().verticalScrollBar(); }

    bool inView(int paragraph) const {
        const QTextBlock block = text().document()->findBlockByNumber(paragraph);
        const QRect rect =
            text().document()->documentLayout()->blockBoundingRect(block).toRect().translated(
                0, -scrollBar().value());
        return text().viewport()->rect().contains(rect);
    }

    // Plays on to `seconds` as the player would, and lets the model's poll see it.
    void playTo(double seconds) {
        fixture.players.last().time = seconds;
        ASSERT_TRUE(test::waitFor([&] { return player().currentTime() == seconds; }));
    }

    test::WidgetTestApp fixture;
    std::unique_ptr<TranscriptEditorModel> editor;
    QWidget window;
    ui::TranscriptEditorView* view = nullptr;
};

TEST_F(TranscriptFollowTest, HighlightsTheSegmentBeingPlayedAndKeepsItInView) {
    EXPECT_EQ(view->playingParagraph(), std::nullopt);
    player().togglePlayback();
    playTo(151);
    EXPECT_EQ(view->playingParagraph(), 30u);
    EXPECT_TRUE(inView(30));
    ASSERT_EQ(text().extraSelections().size(), 1);
    EXPECT_EQ(text().extraSelections()[0].cursor.selectedText(), "\t2:30\tSegment 30.");
    playTo(154.5); // the silence after it: nothing is spoken
    EXPECT_EQ(view->playingParagraph(), std::nullopt);
    EXPECT_TRUE(text().extraSelections().isEmpty());
    playTo(241);
    EXPECT_TRUE(inView(48));
}

// Down the middle of the bar, between its arrows, the thumb is the one dark stretch and it sits
// where the view is; a lighter thumb would leave the groove reading as one or two thumbs elsewhere.
TEST_F(TranscriptFollowTest, TheScrollBarsThumbIsItsOneDarkStretchWhereTheViewIs) {
    QScrollBar& bar = scrollBar();
    ASSERT_TRUE(bar.isVisible());
    ASSERT_GT(bar.maximum(), 0);
    for (const double at : {0.0, 0.5, 1.0}) {
        bar.setValue(int(at * bar.maximum()));
        const QImage image = bar.grab().toImage();
        const int arrow = image.width(); // the arrow buttons are square
        std::vector<int> shades;
        for (int y = arrow; y < image.height() - arrow; ++y) {
            shades.push_back(qGray(image.pixel(image.width() / 2, y)));
        }
        const auto [lightest, darkest] =
            std::minmax_element(shades.begin(), shades.end(), std::greater<int>());
        const int middle = (*lightest + *darkest) / 2;
        std::vector<std::pair<int, int>> stretches; // [first, last] rows darker than the middle
        for (int y = 0; y < int(shades.size()); ++y) {
            if (shades[std::size_t(y)] >= middle) {
                continue;
            }
            if (stretches.empty() || stretches.back().second != y - 1) {
                stretches.push_back({y, y});
            } else {
                stretches.back().second = y;
            }
        }
        ASSERT_EQ(stretches.size(), 1u) << "at " << at;
        const auto [first, last] = stretches.front();
        const double room = double(shades.size()) - (last - first + 1);
        EXPECT_NEAR(first, at * room, 4) << "at " << at;
    }
}

TEST_F(TranscriptFollowTest, AScrollAwayOrTypingStopsFollowingUntilTheSegmentIsBackInView) {
    player().togglePlayback();
    playTo(101);
    ASSERT_TRUE(inView(20));

    scrollBar().setValue(0); // the user looks at the start
    EXPECT_FALSE(view->isFollowing());
    playTo(111);
    EXPECT_EQ(view->playingParagraph(), 22u);
    EXPECT_EQ(scrollBar().value(), 0);

    // A click on a time follows again from there.
    const auto& label = view->layout().paragraphs.at(1).timeRange;
    QTextCursor cursor(text().document());
    cursor.setPosition(int(label.location + 1));
    QTest::mouseClick(text().viewport(), Qt::LeftButton, {}, text().cursorRect(cursor).center());
    EXPECT_EQ(player().currentTime(), 5);
    EXPECT_TRUE(view->isFollowing());
    playTo(201);
    EXPECT_TRUE(inView(40));

    // Typing holds the view where it is for a moment.
    text().setFocus();
    QTest::keyClick(&text(), Qt::Key_End);
    const int held = scrollBar().value();
    playTo(281);
    EXPECT_EQ(view->playingParagraph(), 56u);
    EXPECT_EQ(scrollBar().value(), held);
}

} // namespace
} // namespace bw
