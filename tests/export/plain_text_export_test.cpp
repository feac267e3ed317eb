#include "export/plain_text_export.h"

#include <gtest/gtest.h>

#include "golden_case.h"
#include "support/readable_param_name.h"

namespace bw {
namespace {

class PlainTextGolden : public testing::TestWithParam<const char*> {};

TEST_P(PlainTextGolden, MatchesExpectedBytes) {
    const auto golden = test::GoldenCase::load(GetParam());
    const std::string actual = PlainTextExport::render(golden.transcript, golden.options);
    EXPECT_EQ(actual, golden.expected("expected.txt", actual));
    EXPECT_EQ(actual.find('\r'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlainTextGolden,
                         testing::Values("export_hard_text", "export_untitled_blank",
                                         "export_meeting", "export_call"),
                         test::ReadableParamName());

TEST(PlainTextExport, LabelsAreWrittenAsGiven) {
    ExportTranscript transcript;
    transcript.date = std::chrono::sys_seconds(std::chrono::seconds(1741939500));
    transcript.language = {" Slovak\r\n (SK) ", "sk-SK"};
    transcript.segments = {{1, 2, "Ahoj"}};
    const ExportOptions options{TimeZone::utc(), {"Dátum ", "Jazyk\t"}};
    EXPECT_EQ(PlainTextExport::render(transcript, options),
              "Dátum : 2025-03-14 08:05\nJazyk\t: Slovak (SK)\n\n[00:00:01] Ahoj\n");
}

TEST(PlainTextExport, IndentFollowsTheWidthOfThePrefix) {
    ExportTranscript transcript;
    transcript.title = "T";
    transcript.segments = {{59.9996, 61, "one\ntwo\nthree"}, {1000 * 3600.0, 1, "a\nb"}};
    const std::string text = PlainTextExport::render(transcript, {});
    EXPECT_NE(text.find("\n[00:01:00] one\n           two\n           three\n"), std::string::npos);
    EXPECT_NE(text.find("\n[1000:00:00] a\n             b\n"), std::string::npos);
}

} // namespace
} // namespace bw
