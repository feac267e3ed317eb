#include "ui/file_save_panel.h"

#include "transcripts/transcript_export.h"
#include "ui/widget_test_app.h"

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
        ui::FileSavePanel panel(&window);
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

} // namespace
} // namespace bw
