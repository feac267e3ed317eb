#include "transcripts/export_panel.h"

#include "base/iso_date.h"
#include "export/transcript_exporter.h"
#include "library/library_test_support.h"
#include "transcripts/transcript_export.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace bw {
namespace {

namespace fs = std::filesystem;

const std::string support = "If it keeps happening, email support@brindlewick.app with this "
                            "message and the file from Help › Export Diagnostics.";

// Records the question and keeps the answer until the test gives it, as a dialog would.
class FakeSavePanel : public SavePanel {
public:
    void ask(const SaveQuestion& question, Answer answer) override {
        questions.push_back(question);
        pending = std::move(answer);
    }
    void answer(std::optional<fs::path> chosen) { std::exchange(pending, nullptr)(chosen); }

    std::vector<SaveQuestion> questions;
    Answer pending;
};

class ExportPanelTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("BRINDLEWICK_RESOURCES", BW_SOURCE_DIR "/resources", 1);
    }

    ExportPanelTest() {
        document.language = TranscriptionLanguage::czech;
        document.segments = {{0, 0, 1.5, "Dobrý den, upraveno", "Dobrý den"},
                             {1, 1.5, 3, "všem", "všem"}};
    }

    // Exports and answers the panel with `chosen`; returns the messages reported.
    std::vector<std::string> exportTo(std::optional<fs::path> chosen,
                                      ExportFormat format = ExportFormat::txt) {
        std::vector<std::string> messages;
        exporter.save(item, document, format,
                      [&](const std::string& message) { messages.push_back(message); });
        EXPECT_TRUE(panel.pending) << "the panel was not asked";
        EXPECT_TRUE(messages.empty());
        if (panel.pending) {
            panel.answer(std::move(chosen));
        }
        return messages;
    }

    test::TemporaryFolder folder;
    LibraryItem item = test::sampleItem("Meeting: Q3/Q4 plan?", 1741939500); // 2025-03-14 08:05Z
    TranscriptDocument document;
    FakeSavePanel panel;
    ExportPanel exporter{panel};
};

TEST_F(ExportPanelTest, AsksWithTheSuggestedNameAndTypeThenWritesTheEditedText) {
    ::setenv("TZ", "Europe/Prague", 1); // the zone at the moment of export: UTC+1 in March
    auto messages = exportTo(folder / "out.txt");
    ::unsetenv("TZ");
    ASSERT_EQ(panel.questions.size(), 1u);
    EXPECT_EQ(panel.questions[0].suggestedFileName, "Meeting Q3 Q4 plan.txt");
    EXPECT_EQ(panel.questions[0].contentType, "text/plain");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(test::readText(folder / "out.txt"), "Meeting: Q3/Q4 plan?\n"
                                                  "Date: 2025-03-14 09:05\n"
                                                  "Language: Czech\n\n"
                                                  "[00:00:00] Dobrý den, upraveno\n"
                                                  "[00:00:01] všem\n");
}

TEST_F(ExportPanelTest, EachFormatHasItsFileTypeAndReplacesAnExistingFile) {
    struct Case {
        ExportFormat format;
        const char* name;
        const char* type;
        const char* label;
        const char* beginning;
    };
    const Case cases[] = {
        {ExportFormat::txt, "Meeting Q3 Q4 plan.txt", "text/plain", "Text (.txt)", "Meeting"},
        {ExportFormat::docx, "Meeting Q3 Q4 plan.docx",
         "application/vnd.openxmlformats-officedocument.wordprocessingml.document", "Word (.docx)",
         "PK\x03\x04"},
        {ExportFormat::srt, "Meeting Q3 Q4 plan.srt", "application/x-subrip", "Subtitles (.srt)",
         "1\r\n00:00:00,000 --> 00:00:01,500\r\nDobrý den, upraveno\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        panel.questions.clear();
        fs::path target = folder / c.name;
        test::writeText(target, "an older file");
        EXPECT_TRUE(exportTo(target, c.format).empty());
        EXPECT_EQ(panel.questions.at(0).suggestedFileName, c.name);
        EXPECT_EQ(panel.questions.at(0).contentType, c.type);
        EXPECT_EQ(TranscriptExport::menuLabel(c.format), c.label);
        EXPECT_TRUE(test::readText(target).starts_with(c.beginning));
    }
}

TEST_F(ExportPanelTest, CancellingWritesNothingAndSaysNothing) {
    EXPECT_TRUE(exportTo(std::nullopt).empty());
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST_F(ExportPanelTest, WriteFailuresGiveTheMessageAndLeaveTheOldFile) {
    auto messages = exportTo(folder / "missing folder" / "out.txt");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "The file couldn't be saved where you chose. Choose another folder, "
                           "or check that the disk has enough free space, then try again. " +
                               support +
                               " (“out.txt” couldn't be saved: No such file or directory)");

    test::writeText(folder / "kept.txt", "kept");
    {
        test::FailingFileWrites failing;
        messages = exportTo(folder / "kept.txt");
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].starts_with("The file couldn't be saved where you chose."));
    EXPECT_EQ(test::readText(folder / "kept.txt"), "kept");
}

TEST(TranscriptExportTest, MapsTheItemAndTheCurrentTextOfEachSegment) {
    auto item = test::sampleItem("Title", 1000);
    TranscriptDocument document;
    for (auto [language, exported] :
         {std::pair{TranscriptionLanguage::slovak, ExportLanguage::slovak()},
          {TranscriptionLanguage::czech, ExportLanguage::czech()},
          {TranscriptionLanguage::german, ExportLanguage::german()},
          {TranscriptionLanguage::english, ExportLanguage::english()}}) {
        document.language = language;
        EXPECT_EQ(TranscriptExport::exportTranscript(item, document).language, exported);
    }
    // Doubts count only while the engine's text stands.
    document.segments = {{0, 0, 1, "edited", "original", {SegmentDoubt::unsure}},
                         {1, 1, 2, "as heard", "as heard", {SegmentDoubt::unsure}},
                         {2, 2, 3, "sure", "sure"}};
    auto transcript = TranscriptExport::exportTranscript(item, document);
    EXPECT_EQ(transcript.title, "Title");
    EXPECT_EQ(transcript.date, item.createdAt);
    EXPECT_EQ(
        transcript.segments,
        (std::vector<ExportSegment>{{0, 1, "edited"}, {1, 2, "as heard", true}, {2, 3, "sure"}}));
}

// Recording dates anywhere in the years the item file can hold reach the document as they are
// (in the proleptic Gregorian calendar of ISO 8601), not wrapped around.
TEST(TranscriptExportTest, DatesFarFromNowAreWrittenAsTheItemHasThem) {
    for (const auto& [stored, shown] : {std::pair{"9999-12-31T23:59:59Z", "9999-12-31 23:59"},
                                        {"2500-06-01T12:00:00Z", "2500-06-01 12:00"},
                                        {"1500-03-01T08:30:00Z", "1500-03-01 08:30"},
                                        {"0001-01-01T00:00:00Z", "0001-01-01 00:00"}}) {
        auto item = test::sampleItem("Old", 0);
        item.createdAt = iso8601Date(stored);
        TranscriptExporter exporter({TimeZone::utc(), ExportLabels::english()});
        auto text = exporter.plainText(TranscriptExport::exportTranscript(item, {}));
        EXPECT_NE(text.find(std::string("\nDate: ") + shown + "\n"), std::string::npos) << text;
    }
}

} // namespace
} // namespace bw
