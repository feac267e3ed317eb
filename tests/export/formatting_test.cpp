#include "export/clean_segment.h"
#include "export/export_format.h"
#include "export/formatting.h"
#include "export/sub_rip_export.h"
#include "support/readable_param_name.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace bw {
namespace {

using Lines = std::vector<std::string>;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

struct LinesCase {
    const char* name;
    std::string text;
    Lines expected;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const LinesCase& c, std::ostream* out) {
    *out << c.name;
}

class FormattingLines : public testing::TestWithParam<LinesCase> {};

TEST_P(FormattingLines, CleansAndSplits) {
    EXPECT_EQ(Formatting::lines(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormattingLines,
    testing::Values(
        LinesCase{"FoldsBlanksAndCrLf",
                  "  Hello\t\t world  \r\n\r\n  second ",
                  {"Hello world", "second"}},
        LinesCase{"DropsControlWithoutSpace",
                  "a\x01"
                  "b",
                  {"ab"}},
        LinesCase{"ControlKeepsOneSpace", "a \x01 b", {"a b"}},
        LinesCase{"OnlyBlanksAndBreaks", " \t\n \u2028", {}},
        LinesCase{"EveryBreakScalar",
                  "a\nb\vc\fd\re\u0085f\u2028g\u2029h",
                  {"a", "b", "c", "d", "e", "f", "g", "h"}},
        LinesCase{"C1ControlsAndNonCharactersDropped", "x\u007f\u0080\u009f\uffff\ufffey", {"xy"}},
        LinesCase{"NoBreakSpaceIsText", "10\u00a0000 \u00a0 ", {"10\u00a0000 \u00a0"}},
        LinesCase{"NoBreakSpaceAloneKeepsItsLine", "a\n\u00a0\nb", {"a", "\u00a0", "b"}},
        LinesCase{"OtherUnicodeSpacesAreText", "\u3000a\u2003", {"\u3000a\u2003"}},
        LinesCase{"EmojiAndMarksUntouched",
                  "e\u0301 \U0001F44D\U0001F3FD",
                  {"e\u0301 \U0001F44D\U0001F3FD"}},
        LinesCase{"MalformedUtf8BecomesReplacement",
                  "a\xff"
                  "b\xe2\x82"
                  "c\xed\xa0\x80",
                  {"a\ufffd"
                   "b\ufffd"
                   "c\ufffd\ufffd\ufffd"}},
        LinesCase{"Empty", "", {}}),
    [](const auto& info) { return info.param.name; });

TEST(FormattingSingleLine, JoinsLinesWithOneSpace) {
    EXPECT_EQ(Formatting::singleLine(" Weekly\r\nsync \u2028 notes "), "Weekly sync notes");
    EXPECT_EQ(Formatting::singleLine(" \t\n"), "");
}

struct ClockCase {
    double seconds;
    const char* clock;
    const char* subRip;
};

void PrintTo(const ClockCase& c, std::ostream* out) {
    *out << c.seconds;
}

class FormattingClock : public testing::TestWithParam<ClockCase> {};

TEST_P(FormattingClock, RoundsToTheMillisecondThenCuts) {
    EXPECT_EQ(Formatting::clock(GetParam().seconds), GetParam().clock);
    EXPECT_EQ(SubRipExport::timestamp(GetParam().seconds), GetParam().subRip);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormattingClock,
    testing::Values(ClockCase{-5, "00:00:00", "00:00:00,000"},
                    ClockCase{nan, "00:00:00", "00:00:00,000"},
                    ClockCase{inf, "00:00:00", "00:00:00,000"},
                    ClockCase{0, "00:00:00", "00:00:00,000"},
                    ClockCase{59.9996, "00:01:00", "00:01:00,000"},
                    ClockCase{59.9994, "00:00:59", "00:00:59,999"},
                    ClockCase{25 * 3600 + 61, "25:01:01", "25:01:01,000"},
                    ClockCase{100 * 3600, "100:00:00", "100:00:00,000"},
                    ClockCase{3661.5, "01:01:01", "01:01:01,500"},
                    ClockCase{3 * 3600 + 4 * 60 + 5.9996, "03:04:06", "03:04:06,000"},
                    ClockCase{3 * 3600 + 4 * 60 + 5.4, "03:04:05", "03:04:05,400"},
                    ClockCase{0.0005, "00:00:00", "00:00:00,001"}),
    test::ReadableParamName());

TEST(FormattingClock, HugeTimesSaturateInsteadOfOverflowing) {
    EXPECT_EQ(Formatting::milliseconds(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Formatting::milliseconds(9.3e15), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Formatting::clock(1e300), "2562047788015:12:55");
    EXPECT_EQ(Formatting::milliseconds(0.0005), 1); // half a millisecond rounds away from zero
    EXPECT_EQ(Formatting::milliseconds(1.0014999), 1001);
}

TEST(FormattingHeaderDate, ShowsTheInstantInTheGivenZone) {
    // 2025-03-14 23:30:59 UTC
    const auto instant = std::chrono::system_clock::time_point(std::chrono::seconds(1741995059));
    EXPECT_EQ(Formatting::headerDate(instant, TimeZone::utc()), "2025-03-14 23:30");
    EXPECT_EQ(Formatting::headerDate(instant, {"Europe/Bratislava"}), "2025-03-15 00:30");
    EXPECT_EQ(Formatting::headerDate(instant, {"America/New_York"}), "2025-03-14 19:30");
    EXPECT_EQ(Formatting::headerDate(instant, {"Asia/Kolkata"}), "2025-03-15 05:00");
    // Summer time: two hours east of UTC.
    const auto july = std::chrono::system_clock::time_point(std::chrono::seconds(1751328000));
    EXPECT_EQ(Formatting::headerDate(july, {"Europe/Prague"}), "2025-07-01 02:00");
    // An unknown zone behaves as UTC.
    EXPECT_EQ(Formatting::headerDate(instant, {"Nowhere/Atlantis"}), "2025-03-14 23:30");
}

TEST(FormattingHeaderDate, InstantsBeforeTheEpochAndFarAhead) {
    using std::chrono::seconds;
    using Point = std::chrono::system_clock::time_point;
    EXPECT_EQ(Formatting::headerDate(Point(seconds(-1)), TimeZone::utc()), "1969-12-31 23:59");
    EXPECT_EQ(Formatting::headerDate(Point(seconds(7258118399)), TimeZone::utc()),
              "2199-12-31 23:59");
}

TEST(TimeZoneCurrent, FollowsTheEnvironment) {
    const char* saved = std::getenv("TZ");
    const std::string previous = saved ? saved : "";
    setenv("TZ", "Asia/Tokyo", 1);
    EXPECT_EQ(TimeZone::current().identifier, "Asia/Tokyo");
    setenv("TZ", "Europe/Berlin", 1);
    EXPECT_EQ(TimeZone::current().identifier, "Europe/Berlin");
    if (saved) {
        setenv("TZ", previous.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
}

struct CleanCase {
    const char* name;
    ExportSegment input;
    double start;
    double end;
};

void PrintTo(const CleanCase& c, std::ostream* out) {
    *out << c.name;
}

class CleanSegmentTimes : public testing::TestWithParam<CleanCase> {};

TEST_P(CleanSegmentTimes, AreFiniteNonNegativeAndOrdered) {
    const auto cleaned = CleanSegment::from({GetParam().input});
    ASSERT_EQ(cleaned.size(), 1u);
    EXPECT_EQ(cleaned[0].start, GetParam().start);
    EXPECT_EQ(cleaned[0].end, GetParam().end);
}

INSTANTIATE_TEST_SUITE_P(Cases, CleanSegmentTimes,
                         testing::Values(CleanCase{"NegativeStart", {-3, 2, "x"}, 0, 2},
                                         CleanCase{"BothNaN", {nan, nan, "x"}, 0, 0},
                                         CleanCase{"EndBeforeStart", {10, 4, "x"}, 10, 10},
                                         CleanCase{"InfiniteStart", {inf, 5, "x"}, 0, 5},
                                         CleanCase{"InfiniteEnd", {1, inf, "x"}, 1, 1},
                                         CleanCase{
                                             "NegativeStartEndBelowZero", {-3, -1, "x"}, 0, 0},
                                         CleanCase{"Unchanged", {1.5, 2.25, "x"}, 1.5, 2.25}),
                         [](const auto& info) { return info.param.name; });

TEST(CleanSegment, DropsBlankSegmentsAndKeepsTheOrder) {
    const auto cleaned = CleanSegment::from(
        {{5, 6, "later"}, {0, 1, " \r\n\t\u2028"}, {1, 2, "earlier\n\nsecond"}, {2, 3, ""}});
    ASSERT_EQ(cleaned.size(), 2u);
    EXPECT_EQ(cleaned[0], (CleanSegment{5, 6, {"later"}}));
    EXPECT_EQ(cleaned[1], (CleanSegment{1, 2, {"earlier", "second"}}));
}

TEST(ExportFormat, RawValuesRoundTripExactly) {
    for (ExportFormat format : allExportFormats) {
        EXPECT_EQ(exportFormatFromRawValue(rawValue(format)), format);
        EXPECT_EQ(fileExtension(format), rawValue(format));
    }
    EXPECT_EQ(rawValue(ExportFormat::docx), "docx");
    for (const char* bad : {"TXT", ".txt", "doc", "", "srt "}) {
        EXPECT_EQ(exportFormatFromRawValue(bad), std::nullopt) << bad;
    }
}

} // namespace
} // namespace bw
