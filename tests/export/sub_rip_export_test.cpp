#include "export/sub_rip_export.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <unicode/uchar.h>

#include "export/formatting.h"
#include "external_tool.h"
#include "golden_case.h"
#include "support/readable_param_name.h"

namespace bw {
namespace {

using Lines = std::vector<std::string>;

class SubRipGolden : public testing::TestWithParam<const char*> {};

TEST_P(SubRipGolden, MatchesExpectedBytes) {
    const auto golden = test::GoldenCase::load(GetParam());
    const std::string actual = SubRipExport::render(golden.transcript);
    EXPECT_EQ(actual, golden.expected("expected.srt", actual));
    // CR LF only: every LF is preceded by a CR and every CR followed by an LF.
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] == '\n') {
            ASSERT_TRUE(i > 0 && actual[i - 1] == '\r') << "bare LF at " << i;
        }
        if (actual[i] == '\r') {
            ASSERT_TRUE(i + 1 < actual.size() && actual[i + 1] == '\n') << "bare CR at " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SubRipGolden,
                         testing::Values("export_hard_text", "export_untitled_blank",
                                         "export_meeting", "export_call"),
                         test::ReadableParamName());

struct WrapCase {
    const char* name;
    std::string line;
    Lines expected;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const WrapCase& c, std::ostream* out) {
    *out << c.name;
}

class SubRipWrap : public testing::TestWithParam<WrapCase> {};

TEST_P(SubRipWrap, BreaksAtSpacesWithinFortyTwoCharacters) {
    EXPECT_EQ(SubRipExport::wrap(GetParam().line), GetParam().expected);
}

const std::string forty = "0123456789012345678901234567890123456789";

INSTANTIATE_TEST_SUITE_P(
    Cases, SubRipWrap,
    testing::Values(
        WrapCase{"ExactlyFortyTwoStays", forty + " x", {forty + " x"}},
        WrapCase{"FortyThreeBreaks", forty + " xy", {forty, "xy"}},
        WrapCase{"LongWordStandsAlone",
                 "a " + std::string(50, 'w') + " b",
                 {"a", std::string(50, 'w'), "b"}},
        WrapCase{"NoBreakSpaceDoesNotSplit",
                 std::string(30, 'a') + "\u00a0" + std::string(30, 'b'),
                 {std::string(30, 'a') + "\u00a0" + std::string(30, 'b')}},
        // 21 flags and 20 spaces are 41 characters, though 188 bytes and 62 scalars.
        WrapCase{"FlagsCountOnce",
                 [] {
                     std::string line = "\U0001F1F8\U0001F1F0";
                     for (int i = 0; i < 21; ++i) {
                         line += " \U0001F1F8\U0001F1F0";
                     }
                     return line;
                 }(),
                 {[] {
                      std::string line = "\U0001F1F8\U0001F1F0";
                      for (int i = 0; i < 20; ++i) {
                          line += " \U0001F1F8\U0001F1F0";
                      }
                      return line;
                  }(),
                  "\U0001F1F8\U0001F1F0"}},
        // e + combining acute is one character: 20 of them with 20 spaces and "x" make 42.
        WrapCase{"CombiningMarksCountOnce",
                 [] {
                     std::string line;
                     for (int i = 0; i < 20; ++i) {
                         line += "e\u0301 ";
                     }
                     return line + "x";
                 }(),
                 {[] {
                     std::string line;
                     for (int i = 0; i < 20; ++i) {
                         line += "e\u0301 ";
                     }
                     return line + "x";
                 }()}},
        WrapCase{"Empty", "", {}}),
    [](const auto& info) { return info.param.name; });

// The wrapper counts text below U+0300 one character per scalar without asking ICU; that holds
// only while no scalar there can join a neighbour into a cluster.
TEST(SubRipWrap, ScalarsBelowCombiningMarksNeverJoin) {
    for (UChar32 c = 0; c < 0x300; ++c) {
        const int kind = u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK);
        EXPECT_TRUE(kind == U_GCB_OTHER || kind == U_GCB_CONTROL || kind == U_GCB_CR ||
                    kind == U_GCB_LF)
            << std::hex << c;
    }
    EXPECT_EQ(u_getIntPropertyValue(0x300, UCHAR_GRAPHEME_CLUSTER_BREAK), U_GCB_EXTEND);
    // 20 + 1 + 3 + 1 + 17 = 42 characters fit on one line, precomposed (the quick path) or
    // decomposed (ICU's); one more breaks.
    EXPECT_EQ(
        SubRipExport::wrap(std::string(20, 'a') + " \u010d\u00e1\u017e " + std::string(17, 'b')),
        (Lines{std::string(20, 'a') + " \u010d\u00e1\u017e " + std::string(17, 'b')}));
    EXPECT_EQ(
        SubRipExport::wrap(std::string(20, 'a') + " c\u030ca\u0301z\u030c " + std::string(17, 'b')),
        (Lines{std::string(20, 'a') + " c\u030ca\u0301z\u030c " + std::string(17, 'b')}));
    EXPECT_EQ(
        SubRipExport::wrap(std::string(20, 'a') + " c\u030ca\u0301z\u030c " + std::string(18, 'b')),
        (Lines{std::string(20, 'a') + " c\u030ca\u0301z\u030c", std::string(18, 'b')}));
}

TEST(SubRipCues, HundredCharactersGiveTwoCuesTimedByLength) {
    const std::string line = "We looked at the numbers for the third quarter and they are "
                             "better than we expected in March, truly.";
    const auto cues = SubRipExport::cues({0, 9.8, {line}});
    ASSERT_EQ(cues.size(), 2u);
    EXPECT_EQ(cues[0].lines, (Lines{"We looked at the numbers for the third",
                                    "quarter and they are better than we"}));
    EXPECT_EQ(cues[1].lines, (Lines{"expected in March, truly."}));
    // 38 + 35 characters of 98: the spaces at the breaks are not counted.
    EXPECT_EQ(cues[0].start, 0);
    EXPECT_EQ(cues[0].end, (9.8 * 73) / 98);
    EXPECT_EQ(cues[1].start, cues[0].end);
    EXPECT_EQ(cues[1].end, 9.8);
}

TEST(SubRipCues, PairAcrossCleanedLinesButNeverJoinThem) {
    const auto cues = SubRipExport::cues({2, 2, {"one", "two", "three"}});
    ASSERT_EQ(cues.size(), 2u);
    EXPECT_EQ(cues[0].lines, (Lines{"one", "two"}));
    EXPECT_EQ(cues[1].lines, (Lines{"three"}));
    for (const auto& cue : cues) {
        EXPECT_EQ(cue.start, 2); // a segment of no duration gives cues of no duration
        EXPECT_EQ(cue.end, 2);
    }
}

TEST(SubRipExport, TimesCuesInProportionAndNumbersAcrossSegments) {
    ExportTranscript transcript;
    transcript.segments = {
        {0, 6, std::string(40, 'a') + "\n" + std::string(40, 'b') + "\n" + std::string(18, 'c')},
        {3661.5, 3662, "next"}};
    const std::string expected = "1\r\n00:00:00,000 --> 00:00:04,898\r\n" + std::string(40, 'a') +
                                 "\r\n" + std::string(40, 'b') +
                                 "\r\n\r\n"
                                 "2\r\n00:00:04,898 --> 00:00:06,000\r\n" +
                                 std::string(18, 'c') +
                                 "\r\n\r\n"
                                 "3\r\n01:01:01,500 --> 01:01:02,000\r\nnext\r\n";
    EXPECT_EQ(SubRipExport::render(transcript), expected);
}

TEST(SubRipExport, IgnoresEverythingButTheSegments) {
    ExportTranscript transcript;
    EXPECT_EQ(SubRipExport::render(transcript), "");
    transcript.segments = {{1, 2, "x"}};
    const std::string plain = SubRipExport::render(transcript);
    transcript.title = "Title";
    transcript.language = ExportLanguage::czech();
    transcript.date = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    EXPECT_EQ(SubRipExport::render(transcript), plain);
}

// FFmpeg's SubRip demuxer reads every cue back with its number of lines and its timing.
TEST(SubRipExport, ReadBackByFfmpeg) {
    BW_REQUIRE_PROGRAM("ffprobe");
    BW_REQUIRE_PROGRAM("ffmpeg");
    const auto golden = test::GoldenCase::load("export_hard_text");
    const std::string subtitles = SubRipExport::render(golden.transcript);
    test::TemporaryFolder folder;
    const auto file = folder.path() / "hard.srt";
    test::writeFile(file, subtitles);
    const auto probe = test::runCommand(
        "ffprobe -v error -f srt -show_entries packet=pts_time,duration_time -of csv=p=0 " +
        test::shellQuoted(file.string()));
    ASSERT_EQ(probe.exitStatus, 0) << probe.output;

    // The demuxer orders cues by start time and gives no duration to an empty one.
    std::vector<std::pair<std::int64_t, std::string>> cues;
    for (const auto& segment : CleanSegment::from(golden.transcript.segments)) {
        for (const auto& cue : SubRipExport::cues(segment)) {
            const auto start = Formatting::milliseconds(cue.start);
            const auto duration = Formatting::milliseconds(cue.end) - start;
            char line[64];
            std::snprintf(line, sizeof line, "%.6f,", double(start) / 1000);
            std::string text = line;
            std::snprintf(line, sizeof line, "%.6f", double(duration) / 1000);
            text += duration == 0 ? "N/A" : line;
            cues.emplace_back(start, text + "\n");
        }
    }
    std::stable_sort(cues.begin(), cues.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string expected;
    for (const auto& cue : cues) {
        expected += cue.second;
    }
    EXPECT_EQ(cues.size(), 10u);
    EXPECT_EQ(probe.output, expected);

    // Converted to SubRip again by FFmpeg, the text of every cue survives.
    const auto copy =
        test::runCommand("ffmpeg -v error -i " + test::shellQuoted(file.string()) + " -f srt -");
    ASSERT_EQ(copy.exitStatus, 0) << copy.output;
    for (const char* piece :
         {"\u00a0100\u00a0\u20ac", "\U0001F468\u200d\U0001F469\u200d\U0001F467",
          "Pneumonoultramicroscopicsilicovolcanoconiosistests", "100:01:05,000 --> "}) {
        EXPECT_NE(copy.output.find(piece), std::string::npos) << piece << "\n" << copy.output;
    }
}

} // namespace
} // namespace bw
