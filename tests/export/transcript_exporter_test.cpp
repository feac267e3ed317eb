#include "export/plain_text_export.h"
#include "export/sub_rip_export.h"
#include "export/transcript_exporter.h"
#include "export/word_export.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace bw {
namespace {

std::string repeated(std::string_view piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

struct NameCase {
    const char* name;
    std::string title;
    ExportFormat format;
    std::string expected;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const NameCase& c, std::ostream* out) {
    *out << c.name;
}

class SuggestedFileName : public testing::TestWithParam<NameCase> {};

TEST_P(SuggestedFileName, IsSafeAndShort) {
    EXPECT_EQ(TranscriptExporter::suggestedFileName(GetParam().title, GetParam().format),
              GetParam().expected);
}

const std::string a119(119, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, SuggestedFileName,
    testing::Values(
        NameCase{"ForbiddenCharacters", "Meeting: Q3/Q4 plan?", ExportFormat::docx,
                 "Meeting Q3 Q4 plan.docx"},
        NameCase{"AllNineForbidden", "a/b\\c:d*e?f\"g<h>i|j", ExportFormat::txt,
                 "a b c d e f g h i j.txt"},
        NameCase{"Empty", "", ExportFormat::txt, "Transcript.txt"},
        NameCase{"OnlyStopsAndSpaces", " . .. ", ExportFormat::txt, "Transcript.txt"},
        NameCase{"OnlyForbidden", " ?*: ", ExportFormat::srt, "Transcript.srt"},
        NameCase{"StopsTrimmed", " .notes. ", ExportFormat::srt, "notes.srt"},
        NameCase{"SeveralLines", "Line one\nline two\r\n\t three ", ExportFormat::txt,
                 "Line one line two three.txt"},
        NameCase{"ControlsDropped",
                 "Q\x01"
                 "3\x7f",
                 ExportFormat::txt, "Q3.txt"},
        NameCase{"CutAt120", std::string(130, 'x'), ExportFormat::docx,
                 std::string(120, 'x') + ".docx"},
        NameCase{"CutThenTrimSpace", a119 + " tail", ExportFormat::txt, a119 + ".txt"},
        NameCase{"CutThenTrimNoBreakSpace", a119 + "\u00a0tail", ExportFormat::txt, a119 + ".txt"},
        NameCase{"StopNotTrimmedTwice", a119 + ".tail", ExportFormat::txt, a119 + "..txt"},
        // The 120th character is e with a combining acute: it is kept whole, not split.
        NameCase{"CutKeepsCombiningMark", a119 + "e\u0301\u0323more", ExportFormat::txt,
                 a119 + "e\u0301\u0323.txt"},
        NameCase{"CutKeepsFlag", a119 + "\U0001F1F8\U0001F1F0x", ExportFormat::txt,
                 a119 + "\U0001F1F8\U0001F1F0.txt"},
        NameCase{"CutKeepsFamily", a119 + "\U0001F468\u200d\U0001F469\u200d\U0001F467\U0001F44D",
                 ExportFormat::txt, a119 + "\U0001F468\u200d\U0001F469\u200d\U0001F467.txt"},
        NameCase{"ExactlyOneHundredTwenty", a119 + "\u00e9", ExportFormat::txt,
                 a119 + "\u00e9.txt"},
        // 120 four-byte emoji with modifiers would make 960 bytes; 31 fit in 255 with ".docx".
        NameCase{"LimitedTo255Bytes", repeated("\U0001F44D\U0001F3FD", 130), ExportFormat::docx,
                 repeated("\U0001F44D\U0001F3FD", 31) + ".docx"},
        NameCase{"NoBreakSpacesOnly", repeated("\u00a0", 130), ExportFormat::txt,
                 "Transcript.txt"}),
    [](const auto& info) { return info.param.name; });

TEST(TranscriptExporter, DataIsTheWritersOutputWithTheExportersOptions) {
    ExportTranscript transcript;
    transcript.title = "Plán";
    transcript.date = std::chrono::sys_seconds(std::chrono::seconds(1741995059));
    transcript.language = ExportLanguage::czech();
    transcript.segments = {{1, 3, "Dobrý den.\nJak se máte?"}};
    TranscriptExporter exporter({{"Asia/Tokyo"}, {"Datum", "Jazyk"}});

    const auto text = exporter.data(transcript, ExportFormat::txt);
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "Plán\nDatum: 2025-03-15 08:30\nJazyk: Czech\n\n[00:00:01] Dobrý den.\n"
              "           Jak se máte?\n");
    EXPECT_EQ(std::string(text.begin(), text.end()), exporter.plainText(transcript));

    const auto subtitles = exporter.data(transcript, ExportFormat::srt);
    EXPECT_EQ(std::string(subtitles.begin(), subtitles.end()),
              "1\r\n00:00:01,000 --> 00:00:03,000\r\nDobrý den.\r\nJak se máte?\r\n");
    EXPECT_EQ(std::string(subtitles.begin(), subtitles.end()), exporter.subRip(transcript));

    const auto document = exporter.data(transcript, ExportFormat::docx);
    EXPECT_EQ(document, WordExport::render(transcript, exporter.options));
    EXPECT_EQ(document, exporter.wordDocument(transcript));

    // The options field is the exporter's state: changing the zone changes the header date.
    exporter.options.timeZone = TimeZone::utc();
    EXPECT_NE(exporter.plainText(transcript).find("Datum: 2025-03-14 23:30\n"), std::string::npos);
    EXPECT_NE(exporter.data(transcript, ExportFormat::docx), document);
}

// The doubtful segment has two lines: a mark goes after the last one, in every format.
TEST(TranscriptExporter, DoubtfulSegmentsAreKeptMarkedOrLeftOut) {
    ExportTranscript transcript;
    transcript.title = "T";
    transcript.segments = {{0, 2, "Sure."}, {2, 4, "Maybe so.\nOr not", true}, {4, 6, "Done."}};
    struct Case {
        DoubtfulText choice;
        std::string text;
        std::string subtitles;
        std::string documentLine; // the doubtful segment's last line in the document; "" none
    };
    const Case cases[] = {
        {DoubtfulText::keep,
         "[00:00:00] Sure.\n[00:00:02] Maybe so.\n           Or not\n[00:00:04] Done.\n",
         "2\r\n00:00:02,000 --> 00:00:04,000\r\nMaybe so.\r\nOr not\r\n\r\n3\r\n", ">Or not<"},
        {DoubtfulText::mark,
         "[00:00:00] Sure.\n[00:00:02] Maybe so.\n           Or not [?]\n[00:00:04] Done.\n",
         "2\r\n00:00:02,000 --> 00:00:04,000\r\nMaybe so.\r\nOr not [?]\r\n\r\n3\r\n",
         ">Or not [?]<"},
        {DoubtfulText::omit, "[00:00:00] Sure.\n[00:00:04] Done.\n",
         "1\r\n00:00:00,000 --> 00:00:02,000\r\nSure.\r\n\r\n2\r\n00:00:04,000", ""},
    };
    for (const auto& c : cases) {
        TranscriptExporter exporter({TimeZone::utc(), ExportLabels::english(), c.choice});
        const std::string header = "T\nDate: 1970-01-01 00:00\nLanguage: English\n\n";
        EXPECT_EQ(exporter.plainText(transcript), header + c.text) << rawValue(c.choice);
        EXPECT_NE(exporter.subRip(transcript).find(c.subtitles), std::string::npos)
            << rawValue(c.choice) << "\n"
            << exporter.subRip(transcript);
        const std::string document = WordExport::document(transcript, exporter.options);
        EXPECT_EQ(document.find("Or not") != std::string::npos, !c.documentLine.empty());
        if (!c.documentLine.empty()) {
            EXPECT_NE(document.find(c.documentLine), std::string::npos) << rawValue(c.choice);
        }
        EXPECT_NE(document.find(">Done.<"), std::string::npos);
    }
    // Without the flag nothing is doubtful, whatever the choice.
    transcript.segments[1].doubtful = false;
    TranscriptExporter omitting({TimeZone::utc(), ExportLabels::english(), DoubtfulText::omit});
    EXPECT_NE(omitting.plainText(transcript).find("Or not\n"), std::string::npos);
}

TEST(ExportRecords, EqualValuesAreOneKey) {
    ExportTranscript transcript;
    transcript.title = "A";
    transcript.segments = {{1, 2, "x"}};
    ExportTranscript copy = transcript;
    std::unordered_set<ExportTranscript> transcripts{transcript, copy};
    EXPECT_EQ(transcripts.size(), 1u);
    copy.segments[0].text = "y";
    transcripts.insert(copy);
    EXPECT_EQ(transcripts.size(), 2u);

    std::unordered_set<ExportOptions> options{{}, {TimeZone::utc(), ExportLabels::english()}};
    EXPECT_EQ(options.size(), 1u);
    options.insert({{"Europe/Prague"}, ExportLabels::english()});
    EXPECT_EQ(options.size(), 2u);
}

} // namespace
} // namespace bw
