#include "ui/main_window.h"

#include "ui/detail_view.h"
#include "ui/item_detail_view.h"
#include "ui/recording_list.h"
#include "ui/transcript_editor_view.h"
#include "ui/transcript_section.h"
#include "ui/transcript_text_view.h"

#include "library/library_test_support.h"
#include "ui/transcript_test_support.h"
#include "ui/widget_test_app.h"
#include "ui/window_dialogs.h"
#include "ui/window_test_support.h"

#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QUrl>

#include <gtest/gtest.h>

namespace bw {
namespace {

using test::waitFor;

TEST(MainWindowTest, OpensAtItsDefaultSizeAndKeepsItsMinimum) {
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    EXPECT_EQ(window.size(), QSize(1100, 680));
    EXPECT_EQ(window.minimumSize(), QSize(900, 460));
    EXPECT_EQ(window.windowTitle(), "Brindlewick");
}

struct AlertCase {
    std::string name;
    std::optional<AppAlert::Action> action;
    QString pressed;
    std::vector<QString> buttons;
    bool opensSettings;
};

class MainWindowAlertTest : public testing::TestWithParam<AlertCase> {};

TEST_P(MainWindowAlertTest, ShowsTheAlertWithItsButtonsAndClearsItWhenDismissed) {
    const AlertCase& param = GetParam();
    test::WidgetTestApp fixture;
    fixture.launcher->installed = {"xdg-open"};
    ui::MainWindow window(*fixture.app);
    window.show();
    fixture.app->alerts().setAlert(AppAlert::make("Title", "Message", param.action));

    QMessageBox* box = window.dialogs()->alert();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), "Title");
    EXPECT_EQ(box->informativeText(), "Message");
    EXPECT_EQ(test::buttonTexts(*box), param.buttons);

    test::buttonNamed(*box, param.pressed)->click();
    EXPECT_TRUE(waitFor([&] { return !fixture.app->alerts().alert().has_value(); }));
    EXPECT_EQ(fixture.launcher->launched.size(), param.opensSettings ? 1u : 0u);
    EXPECT_TRUE(waitFor([&] { return test::openDialogs<QMessageBox>(window).empty(); }));
}

INSTANTIATE_TEST_SUITE_P(Buttons, MainWindowAlertTest,
                         testing::Values(AlertCase{"plain", std::nullopt, "OK", {"OK"}, false},
                                         AlertCase{"microphone_ok",
                                                   AppAlert::Action::openMicrophoneSettings,
                                                   "OK",
                                                   {"OK", "Open System Settings"},
                                                   false},
                                         AlertCase{"microphone_settings",
                                                   AppAlert::Action::openMicrophoneSettings,
                                                   "Open System Settings",
                                                   {"OK", "Open System Settings"},
                                                   true}),
                         [](const auto& info) { return info.param.name; });

TEST(MainWindowTest, ANewAlertReplacesTheOneShownAndClearingItClosesTheBox) {
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    fixture.app->alerts().setAlert(AppAlert::make("First", "One"));
    fixture.app->alerts().setAlert(AppAlert::make("Second", "Two"));
    ASSERT_TRUE(waitFor([&] { return test::openDialogs<QMessageBox>(window).size() == 1; }));
    EXPECT_EQ(test::openDialogs<QMessageBox>(window).front()->text(), "Second");
    EXPECT_TRUE(fixture.app->alerts().alert().has_value());

    fixture.app->alerts().setAlert(std::nullopt);
    EXPECT_TRUE(waitFor([&] { return test::openDialogs<QMessageBox>(window).empty(); }));
}

// The explanation reads as a paragraph under a short heading, and a long heading wraps
// rather than being cut at the box's edge.
TEST(MainWindowTest, AlertsAreWideEnoughToReadAndWrapALongHeading) {
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    const QString message = "The microphone was disconnected or changed. Everything recorded up "
                            "to that point is kept.";
    for (const QString& title :
         {QString("Stopped"),
          QString("Delete “Interview with the head of the regional planning "
                  "office about the new budget and the plans for next year”?")}) {
        SCOPED_TRACE(title.toStdString());
        fixture.app->alerts().setAlert(AppAlert::make(title.toStdString(), message.toStdString()));
        ASSERT_TRUE(waitFor([&] {
            const auto boxes = test::openDialogs<QMessageBox>(window);
            return boxes.size() == 1 && boxes.front()->text() == title &&
                   boxes.front()->isVisible();
        }));
        QMessageBox& box = *test::openDialogs<QMessageBox>(window).front();
        const auto* heading = box.findChild<QLabel*>("qt_msgbox_label");
        const auto* explanation = box.findChild<QLabel*>("qt_msgbox_informativelabel");
        ASSERT_TRUE(heading && explanation);
        EXPECT_GE(explanation->width(), 320);
        EXPECT_TRUE(heading->wordWrap() || heading->fontMetrics().horizontalAdvance(title) <=
                                               heading->contentsRect().width());
        EXPECT_LE(box.width(), 700);
        fixture.app->alerts().setAlert(std::nullopt);
        ASSERT_TRUE(waitFor([&] { return test::openDialogs<QMessageBox>(window).empty(); }));
    }
}

std::unique_ptr<QMimeData> urlData(const QList<QUrl>& urls) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

TEST(MainWindowTest, DroppedFilesAreImportedAndTheFailuresReported) {
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    const auto folder = fixture.files.path() / "folder";
    std::filesystem::create_directory(folder);
    test::writeText(fixture.files.path() / "notes.txt", "text");
    test::writeWav(fixture.files.path() / "talk.wav", 1);
    const auto urls = QList<QUrl>{
        QUrl::fromLocalFile(QString::fromStdString(folder.string())),
        QUrl::fromLocalFile(QString::fromStdString((fixture.files.path() / "notes.txt").string())),
        QUrl::fromLocalFile(QString::fromStdString((fixture.files.path() / "talk.wav").string()))};

    // Onto the recording list, which leaves files to the window.
    QWidget& list = *window.recordingList()->view()->viewport();
    EXPECT_TRUE(test::drop(list, QPoint(20, 20), urlData(urls)));
    ASSERT_TRUE(waitFor([&] { return fixture.app->alerts().alert().has_value(); }));
    EXPECT_EQ(fixture.app->alerts().alert()->title, "Some files weren't imported");
    EXPECT_EQ(fixture.app->alerts().alert()->message,
              "“folder” isn't a flac, m4a, mkv, mp3, mp4, ogg, opus, wav or webm file.\n"
              "“notes.txt” isn't a flac, m4a, mkv, mp3, mp4, ogg, opus, wav or webm file.");
    ASSERT_EQ(fixture.app->library().items().size(), 1u);
    EXPECT_EQ(fixture.app->library().items().front().title, "talk");
}

// Files dropped onto the transcript are imported like anywhere else, not typed in as paths.
TEST(MainWindowTest, FilesDroppedOnTheTranscriptAreImportedNotTyped) {
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    const Uuid id = fixture.importTone("Talk");
    test::saveTranscript(*fixture.app, id, {{0, 1, "Spoken words"}});
    fixture.importTone("Other"); // selected instead, so Talk is loaded again with its transcript
    fixture.app->navigation().setSelection(id);
    ui::TranscriptSection& section = *window.detail()->itemDetail()->transcript();
    ASSERT_TRUE(waitFor([&] { return section.editorView() != nullptr; }));
    ui::TranscriptTextView& text = section.editorView()->textView();
    test::writeWav(fixture.files.path() / "dropped.wav", 1);
    const QUrl file = QUrl::fromLocalFile(
        QString::fromStdString((fixture.files.path() / "dropped.wav").string()));

    text.moveCursor(QTextCursor::End); // inside the segment's words, where text may go
    EXPECT_TRUE(test::drop(*text.viewport(), text.cursorRect().center(), urlData({file})));
    ASSERT_TRUE(waitFor([&] { return fixture.app->library().items().size() == 3; }));
    // The import selects the new recording; the transcript left behind is as it was.
    EXPECT_EQ(TranscriptStore(fixture.app->library().store()).load(id)->segments.at(0).text,
              "Spoken words");
}

TEST(MainWindowTest, RefusesADropWithoutLocalFiles) {
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    const QList<QUrl> links{QUrl("https://example.org/talk.mp3")};
    EXPECT_FALSE(test::drop(window, QPoint(500, 300), urlData(links)));
    auto text = std::make_unique<QMimeData>();
    text->setText("talk.mp3");
    EXPECT_FALSE(test::drop(window, QPoint(500, 300), std::move(text)));
    waitFor([] { return false; }, 100);
    EXPECT_FALSE(fixture.app->imports().isImporting());
    EXPECT_TRUE(fixture.app->library().items().empty());
}

TEST(MainWindowTest, TheImporterImportsTheChosenFilesAndClosesWithItsFlag) {
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    test::writeWav(fixture.files.path() / "a.wav", 1);
    test::writeWav(fixture.files.path() / "b.wav", 1);

    window.importAction()->trigger();
    QFileDialog* importer = window.dialogs()->importer();
    ASSERT_NE(importer, nullptr);
    EXPECT_TRUE(importer->isVisible());
    EXPECT_EQ(importer->fileMode(), QFileDialog::ExistingFiles);
    emit importer->filesSelected(
        {QString::fromStdString((fixture.files.path() / "a.wav").string()),
         QString::fromStdString((fixture.files.path() / "b.wav").string())});
    importer->reject();
    EXPECT_FALSE(fixture.app->requests().isImporterPresented());
    EXPECT_TRUE(waitFor([&] { return fixture.app->library().items().size() == 2; }));
}

TEST(MainWindowTest, ImportIsDisabledOnlyWhileTheRecorderStarts) {
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    RecorderModel& recorder = fixture.app->recorder();
    std::vector<std::pair<RecorderModel::Phase, bool>> seen;
    QObject::connect(&recorder, &RecorderModel::phaseChanged, &window, [&] {
        seen.emplace_back(recorder.phase(), window.importAction()->isEnabled());
    });
    fixture.startRecording();
    const std::vector<std::pair<RecorderModel::Phase, bool>> expected{
        {RecorderModel::Phase::starting, false}, {RecorderModel::Phase::recording, true}};
    EXPECT_EQ(seen, expected);
}

TEST(MainWindowTest, ShowsTheSheetsWhileTheirRequestsAreSetAndClearsThemOnDismissal) {
    test::WidgetTestApp fixture;
    ui::MainWindow window(*fixture.app);
    window.show();
    LibraryNavigation& navigation = fixture.app->navigation();

    navigation.setGroupEditor(GroupEditor::make(GroupEditor::Create{}));
    ASSERT_NE(window.dialogs()->groupNameSheet(), nullptr);
    window.dialogs()->groupNameSheet()->reject();
    EXPECT_FALSE(navigation.groupEditor().has_value());

    fixture.app->actions().showDiagnostics();
    ASSERT_NE(window.dialogs()->diagnosticsSheet(), nullptr);
    EXPECT_TRUE(window.dialogs()->diagnosticsSheet()->isVisible());
    window.dialogs()->diagnosticsSheet()->reject();
    EXPECT_FALSE(fixture.app->requests().diagnostics().has_value());
}

} // namespace
} // namespace bw
