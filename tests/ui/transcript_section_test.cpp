#include "ui/transcript_section.h"

#include "library/library_test_support.h"
#include "transcripts/save_panel.h"
#include "ui/doubt_mark.h"
#include "ui/language_picker.h"
#include "ui/live_transcript_view.h"
#include "ui/problem_list.h"
#include "ui/transcribe_prompt.h"
#include "ui/transcript_controls.h"
#include "ui/transcript_editor_view.h"
#include "ui/transcript_test_support.h"
#include "ui/transcript_text_view.h"
#include "ui/transcription_progress_view.h"
#include "ui/widget_test_app.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <functional>

namespace bw {
namespace {

namespace fs = std::filesystem;

// Answers every question at once with the file it was given.
class AnsweringSavePanel : public SavePanel {
public:
    void ask(const SaveQuestion&, Answer answer) override { answer(chosen); }

    std::optional<fs::path> chosen;
};

// What the section shows, part by part.
struct Shown {
    bool controls = false;
    bool note = false;
    bool job = false;
    bool editor = false;
    bool noSpeech = false;
    bool prompt = false;

    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& shown) {
    return out << "controls " << shown.controls << ", note " << shown.note << ", job " << shown.job
               << ", editor " << shown.editor << ", no speech " << shown.noSpeech << ", prompt "
               << shown.prompt;
}

class TranscriptSectionTest : public testing::Test {
protected:
    TranscriptSectionTest() {
        section.resize(640, 480);
        section.show();
    }

    Shown shown() const {
        auto* editor = section.editorView();
        return {section.controls().isVisible(),     section.note().isVisible(),
                section.progressView().isVisible(), editor && editor->isVisible(),
                section.noSpeechNote().isVisible(), section.prompt().isVisible()};
    }

    // A transcription of the item that stays running after its reports until released.
    void startHeldJob(const Uuid& id, std::vector<TranscriptionProgress> reports = {}) {
        fixture.engine->reports = std::move(reports);
        fixture.engine->holdUntilReleased = true;
        fixture.app->transcription().start(fixture.app->library().item(id).value(),
                                           TranscriptionLanguage::czech);
        ASSERT_TRUE(fixture.engine->waitUntilStarted());
    }

    QMessageBox* messageBox() const { return section.findChild<QMessageBox*>(); }

    static void click(QMessageBox& box, const QString& text) {
        for (QAbstractButton* button : box.buttons()) {
            if (button->text() == text) {
                button->click();
            }
        }
    }

    test::WidgetTestApp fixture;
    ui::TranscriptSection section{fixture.app->openTranscript(), fixture.app->player(),
                                  fixture.app->search(), fixture.app->dialogFolders(),
                                  fixture.app->defaults()};
};

TEST_F(TranscriptSectionTest, ShowsWhatTheRecordingHas) {
    struct Case {
        const char* name;
        std::function<void(const Uuid&)> prepare;
        Shown expected;
        TranscriptionLanguage language;
        QString problem; // how the problem row begins, if there is one
    };
    const Case cases[] = {
        {"no transcript", [](const Uuid&) {}, {.prompt = true}, TranscriptionLanguage::slovak, {}},
        {"a transcript",
         [&](const Uuid& id) {
             test::saveTranscript(*fixture.app, id, {{0, 1, "Ahoj"}},
                                  TranscriptionLanguage::german);
         },
         {.controls = true, .editor = true},
         TranscriptionLanguage::german,
         {}},
        {"no speech",
         [&](const Uuid& id) { test::saveTranscript(*fixture.app, id, {}); },
         {.controls = true, .noSpeech = true},
         TranscriptionLanguage::english,
         {}},
        {"an unreadable transcript",
         [&](const Uuid& id) {
             test::writeText(fixture.app->library().store().itemFolderURL(id) / "transcript.json",
                             "{ damaged");
         },
         {},
         TranscriptionLanguage::slovak,
         "The transcript couldn't be opened. Quit and reopen"},
    };
    for (const auto& state : cases) {
        SCOPED_TRACE(state.name);
        const Uuid id = fixture.importTone(state.name);
        state.prepare(id);
        section.showItem(id);
        EXPECT_EQ(shown(), state.expected);
        EXPECT_EQ(section.language(), state.language);
        const QStringList problems = section.problems().messages();
        EXPECT_EQ(problems.size(), state.problem.isEmpty() ? 0 : 1);
        EXPECT_TRUE(problems.isEmpty() || problems.front().startsWith(state.problem));
        if (state.expected.prompt) {
            EXPECT_TRUE(section.prompt().transcribeButton().isEnabled());
        }
        if (state.expected.controls) {
            EXPECT_TRUE(section.controls().transcribeAgainButton().isEnabled());
            EXPECT_TRUE(section.controls().exportButton().isVisible());
        }
    }
}

TEST_F(TranscriptSectionTest, ARunningTranscriptionShowsItsProgressAndSegments) {
    const Uuid id = fixture.importTone("Talk");
    TranscriptionProgress progress{
        TranscriptionProgress::Phase::transcribing,
        0.858,
        2.0,
        std::nullopt,
        {{0, 1, " Dobrý deň "}, {61, 62, "Ďakujem", {SegmentDoubt::littleSpeech}}}};
    startHeldJob(id, {progress});
    section.showItem(id);
    ASSERT_TRUE(test::waitFor([&] { return section.liveTranscript().rowCount() == 2; }));
    EXPECT_EQ(shown(), (Shown{.controls = true, .job = true}));
    EXPECT_EQ(section.progressView().statusLabel().text(), "Transcribing… 42%");
    EXPECT_EQ(section.progressView().estimateLabel().text(), "Estimating when it will be ready…");
    QStringList texts;
    for (auto* label : section.liveTranscript().findChildren<QLabel*>()) {
        texts.append(label->text());
    }
    EXPECT_EQ(texts, (QStringList{"0:00", "Dobrý deň", "1:01", "Ďakujem"}));
    const auto marks = section.liveTranscript().findChildren<ui::DoubtMark*>();
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(marks[0]->toolTip(), "Doubtful: little speech under this text");
    EXPECT_TRUE(section.controls().cancelButton().isVisible());
    EXPECT_FALSE(section.controls().languagePicker().isEnabled());
    EXPECT_EQ(section.language(), TranscriptionLanguage::czech);
}

TEST_F(TranscriptSectionTest, LiveSegmentsOfTwoTracksNameTheirSpeakers) {
    const Uuid id = fixture.importTone("Call");
    startHeldJob(id,
                 {{TranscriptionProgress::Phase::transcribing,
                   1,
                   4,
                   std::nullopt,
                   {{0, 1, "Hello", {}, Speaker::others}, {1, 2, "Hi there", {}, Speaker::me}}}});
    section.showItem(id);
    ASSERT_TRUE(test::waitFor([&] { return section.liveTranscript().rowCount() == 2; }));
    QStringList texts;
    for (auto* label : section.liveTranscript().findChildren<QLabel*>()) {
        texts.append(label->text());
    }
    EXPECT_EQ(texts, (QStringList{"0:00", "Others:", "Hello", "0:01", "Me:", "Hi there"}));
}

TEST_F(TranscriptSectionTest, AnotherRecordingBeingTranscribedHoldsBackThisOne) {
    const Uuid transcribed = fixture.importTone("Transcribed");
    const Uuid other = fixture.importTone("Other");
    startHeldJob(fixture.importTone("Running"));
    test::saveTranscript(*fixture.app, transcribed, {{0, 1, "Hello"}});

    section.showItem(transcribed);
    EXPECT_EQ(shown(), (Shown{.controls = true, .note = true, .editor = true}));
    EXPECT_FALSE(section.controls().transcribeAgainButton().isEnabled());

    section.showItem(other);
    EXPECT_EQ(shown(), Shown{.prompt = true});
    EXPECT_FALSE(section.prompt().transcribeButton().isEnabled());
}

TEST_F(TranscriptSectionTest, TranscribeStartsInTheChosenLanguageAndCancelStopsQuietly) {
    const Uuid id = fixture.importTone("Talk");
    section.showItem(id);
    QComboBox& languages = section.prompt().languagePicker().comboBox();
    QTest::keyClick(&languages, Qt::Key_Down);
    QTest::keyClick(&languages, Qt::Key_Down);
    ASSERT_EQ(section.language(), TranscriptionLanguage::german);
    fixture.engine->holdUntilReleased = true;

    section.prompt().transcribeButton().click();
    ASSERT_TRUE(fixture.engine->waitUntilStarted());
    EXPECT_EQ(fixture.engine->options()->language, TranscriptionLanguage::german);
    EXPECT_EQ(shown(), (Shown{.controls = true, .job = true}));

    section.controls().cancelButton().click();
    ASSERT_TRUE(test::waitFor([&] { return !fixture.app->transcription().isRunning(); }));
    EXPECT_EQ(shown(), Shown{.prompt = true});
    EXPECT_TRUE(section.problems().messages().isEmpty());
}

TEST_F(TranscriptSectionTest, AFinishedTranscriptionReplacesTheLiveTextWithTheEditor) {
    const Uuid id = fixture.importTone("Talk");
    fixture.engine->result.segments = {{0, 1, "Finished text"}};
    section.showItem(id);
    section.prompt().transcribeButton().click();
    ASSERT_TRUE(test::waitFor([&] { return shown().editor; }));
    EXPECT_EQ(shown(), (Shown{.controls = true, .editor = true}));
    EXPECT_EQ(section.editorView()->textView().toPlainText(), "\t0:00\tFinished text");
}

TEST_F(TranscriptSectionTest, TranscribingAgainAsksFirst) {
    const Uuid id = fixture.importTone("Talk");
    test::saveTranscript(*fixture.app, id, {{0, 1, "Edited"}});
    section.showItem(id);
    fixture.engine->holdUntilReleased = true;
    // Return answers with the default button, which must keep the edits.
    for (const auto& [answer, starts] :
         {std::pair{"Cancel", false}, {"Return", false}, {"Transcribe Again", true}}) {
        SCOPED_TRACE(answer);
        section.controls().transcribeAgainButton().click();
        QMessageBox* box = messageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Transcribe this recording again?");
        if (answer == std::string("Return")) {
            QTest::keyClick(box, Qt::Key_Return);
        } else {
            click(*box, answer);
        }
        EXPECT_EQ(fixture.app->transcription().isRunning(), starts);
        ASSERT_TRUE(test::waitFor([&] { return messageBox() == nullptr; }));
    }
}

TEST_F(TranscriptSectionTest, ANewTranscriptReplacesEditsThatCouldNotBeSaved) {
    const Uuid id = fixture.importTone("Talk");
    test::saveTranscript(*fixture.app, id, {{0, 1, "Old"}});
    section.showItem(id);
    fixture.engine->result.segments = {{0, 1, "New"}};
    fixture.engine->holdUntilReleased = true;
    {
        test::FailingFileWrites failing;
        auto& text = section.editorView()->textView();
        text.moveCursor(QTextCursor::End);
        QTest::keyClicks(&text, "x");
        section.controls().transcribeAgainButton().click();
        click(*messageBox(), "Transcribe Again");
        ASSERT_TRUE(fixture.engine->waitUntilStarted());
        ASSERT_EQ(section.problems().messages().size(), 1);
        EXPECT_TRUE(
            section.problems().messages().front().startsWith("The transcript couldn't be saved."));
    }
    fixture.engine->release();
    ASSERT_TRUE(test::waitFor([&] { return !fixture.app->transcription().isRunning(); }));
    EXPECT_EQ(section.editorView()->textView().toPlainText(), "\t0:00\tNew");
    EXPECT_EQ(TranscriptStore(fixture.app->library().store()).load(id)->segments.at(0).text, "New");
    EXPECT_TRUE(section.problems().messages().isEmpty());
}

TEST_F(TranscriptSectionTest, ExportWritesTheChosenFileOrSaysWhyItCouldNot) {
    const Uuid id = fixture.importTone("Talk");
    test::saveTranscript(*fixture.app, id, {{0, 1, "Exported words"}});
    AnsweringSavePanel panel;
    section.setSavePanel(&panel);
    section.showItem(id);
    QAction* text = section.controls().exportButton().menu()->actions().front();
    ASSERT_EQ(text->text(), "Text (.txt)");

    panel.chosen = fixture.files.path() / "talk.txt";
    text->trigger();
    EXPECT_NE(test::readText(*panel.chosen).find("Exported words"), std::string::npos);
    EXPECT_EQ(messageBox(), nullptr);

    panel.chosen = fixture.files.path() / "missing" / "talk.txt";
    text->trigger();
    QMessageBox* alert = messageBox();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "The transcript couldn't be exported");
    EXPECT_TRUE(alert->informativeText().startsWith("The file couldn't be saved where you chose."));
}

TEST_F(TranscriptSectionTest, TheDoubtfulTextChoiceShapesTheExportAndIsRemembered) {
    const Uuid id = fixture.importTone("Talk");
    test::saveTranscript(*fixture.app, id,
                         {{0, 1, "Heard well"}, {1, 2, "Heard badly", {SegmentDoubt::unsure}}});
    AnsweringSavePanel panel;
    panel.chosen = fixture.files.path() / "talk.txt";
    section.setSavePanel(&panel);
    section.showItem(id);
    auto& controls = section.controls();
    EXPECT_EQ(controls.doubtfulText(), DoubtfulText::keep);
    ASSERT_EQ(controls.doubtfulTextAction(DoubtfulText::omit).text(), "Leave Out");
    QAction* text = controls.exportButton().menu()->actions().front();
    const std::string heardWell = "[00:00:00] Heard well\n";
    for (const auto& [choice, end] :
         {std::pair{DoubtfulText::mark, heardWell + "[00:00:01] Heard badly [?]\n"},
          {DoubtfulText::omit, "\n\n" + heardWell},
          {DoubtfulText::keep, heardWell + "[00:00:01] Heard badly\n"}}) {
        controls.doubtfulTextAction(choice).trigger();
        text->trigger();
        const std::string written = test::readText(*panel.chosen);
        EXPECT_TRUE(written.ends_with(end)) << written;
    }
    controls.doubtfulTextAction(DoubtfulText::mark).trigger();
    ui::TranscriptSection later(fixture.app->openTranscript(), fixture.app->player(),
                                fixture.app->search(), fixture.app->dialogFolders(),
                                fixture.app->defaults());
    EXPECT_EQ(later.controls().doubtfulText(), DoubtfulText::mark);
}

// A recording whose speech all went unrecognized does not claim that it has none.
TEST_F(TranscriptSectionTest, SpeechWithoutTextIsCountedInsteadOfDenied) {
    const Uuid id = fixture.importTone("Talk");
    test::saveTranscript(*fixture.app, id, {}, TranscriptionLanguage::english, {{1, 2}});
    section.showItem(id);
    EXPECT_TRUE(section.noSpeechNote().isVisible());
    EXPECT_EQ(section.noSpeechNote().text(), "1 stretch of speech gave no text");
}

} // namespace
} // namespace bw
