#include "ui/file_save_panel.h"

#include "fakes/memory_user_defaults.h"
#include "transcripts/transcript_export.h"
#include "ui/widget_test_app.h"

#include <QDir>
#include <QFileDialog>
#include <QWidget>

#include <gtest/gtest.h>

namespace bw {
namespace {

// The dialog offers exactly the export's extension and adds it to a name typed without it.
TEST(FileSavePanelTest, OffersOnlyTheFormatsExtensionAndAddsIt) {
    test::widgetApplication();
    const struct {
        ExportFormat format;
        const char* extension;
    } cases[] = {
        {ExportFormat::txt, "txt"}, {ExportFormat::docx, "docx"}, {ExportFormat::srt, "srt"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        QWidget window;
        ui::FileSavePanel panel(&window, nullptr);
        std::optional<std::filesystem::path> answer;
        panel.ask({std::string("Talk.") + c.extension, c.format,
                   std::string(TranscriptExport::contentType(c.format))},
                  [&](std::optional<std::filesystem::path> chosen) { answer = chosen; });
        auto* dialog = window.findChild<QFileDialog*>();
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(dialog->nameFilters().size(), 1);
        EXPECT_TRUE(dialog->nameFilters().front().endsWith(QString("(*.%1)").arg(c.extension)))
            << dialog->nameFilters().front().toStdString();

        const test::TemporaryFolder folder;
        dialog->selectFile(QString::fromStdString((folder.path() / "Notes").string()));
        static_cast<QDialog*>(dialog)->accept(); // as the Save button does
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->filename(), std::string("Notes.") + c.extension);
    }
}

// Each dialog opens where the last file was saved, and in the home folder before that or once
// that folder is gone; never in the working directory.
TEST(FileSavePanelTest, OpensInTheFolderLastSavedToElseHome) {
    test::widgetApplication();
    MemoryUserDefaults defaults;
    DialogFolders folders(&defaults);
    auto chosen = std::make_optional<test::TemporaryFolder>();
    const QString home = QDir::homePath();
    const QString used = QString::fromStdString(chosen->path().string());
    const auto openDirectory = [&](const QString& saveIn) {
        QWidget window;
        ui::FileSavePanel panel(&window, &folders);
        panel.ask({"Talk.txt", ExportFormat::txt, "text/plain"}, [](auto) {});
        auto* dialog = window.findChild<QFileDialog*>();
        const QString opened = dialog->directory().absolutePath();
        if (!saveIn.isEmpty()) {
            dialog->selectFile(saveIn + "/Notes.txt");
            static_cast<QDialog*>(dialog)->accept();
        } else {
            static_cast<QDialog*>(dialog)->reject();
        }
        return opened;
    };
    EXPECT_EQ(openDirectory(used), home);
    EXPECT_EQ(openDirectory({}), used);
    EXPECT_EQ(openDirectory({}), used) << "a cancelled dialog forgot the folder";
    chosen.reset();
    EXPECT_EQ(openDirectory({}), home);
}

} // namespace
} // namespace bw
