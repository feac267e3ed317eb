#include "base/ascii_case.h"
#include "base/text_trimming.h"
#include "base/unicode_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace bw {
namespace {

const std::string replacement = "\xEF\xBF\xBD";

struct RepairCase {
    const char* name;
    std::string input;
    std::string repaired;
};

void PrintTo(const RepairCase& c, std::ostream* os) {
    *os << c.name;
}

class RepairedUtf8 : public testing::TestWithParam<RepairCase> {};

TEST_P(RepairedUtf8, ReplacesEachMaximalIllFormedSubpart) {
    EXPECT_EQ(unicode::repairedUtf8(GetParam().input), GetParam().repaired);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RepairedUtf8,
    testing::Values(RepairCase{"plain", "plain", "plain"},
                    RepairCase{"wellFormed", "\xC5\xA1\xE2\x82\xAC\xF0\x9F\x98\x80",
                               "\xC5\xA1\xE2\x82\xAC\xF0\x9F\x98\x80"},
                    RepairCase{"replacementKept", replacement, replacement},
                    RepairCase{"cutShort", "\xE2\x82", replacement},
                    RepairCase{"neverALead",
                               "a\xFF"
                               "b",
                               "a" + replacement + "b"},
                    RepairCase{"latin1Name", "Caf\xE9 M\xFCller",
                               "Caf" + replacement + " M" + replacement + "ller"},
                    RepairCase{"overlong", "\xC0\xAF", replacement + replacement},
                    RepairCase{"surrogate", "\xED\xA0\x80",
                               replacement + replacement + replacement},
                    RepairCase{"aboveMaximum", "\xF4\x90\x80\x80",
                               replacement + replacement + replacement + replacement}),
    [](const auto& info) { return std::string(info.param.name); });

struct GraphemeCase {
    const char* name;
    std::string text;
    std::size_t count;         // extended grapheme clusters
    std::size_t firstTwoBytes; // bytes of the first two clusters
    std::size_t lastTwoBytes;  // bytes of the last two clusters
};

void PrintTo(const GraphemeCase& c, std::ostream* os) {
    *os << c.name;
}

class Graphemes : public testing::TestWithParam<GraphemeCase> {};

TEST_P(Graphemes, CountsAndCutsAtClusterBoundaries) {
    const auto& c = GetParam();
    EXPECT_EQ(unicode::graphemeCount(c.text), c.count);
    EXPECT_EQ(unicode::graphemePrefixSize(c.text, 2), c.firstTwoBytes);
    EXPECT_EQ(unicode::graphemeSuffixSize(c.text, 2), c.lastTwoBytes);
    EXPECT_EQ(unicode::graphemePrefixSize(c.text, 0), 0u);
    EXPECT_EQ(unicode::graphemeSuffixSize(c.text, 1000), c.text.size());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Graphemes,
    testing::Values(GraphemeCase{"empty", "", 0, 0, 0}, GraphemeCase{"ascii", "abc", 3, 2, 2},
                    GraphemeCase{"precomposed", "\xC3\xA9t\xC3\xA9", 3, 3, 3},
                    // e + combining acute, twice, then x
                    GraphemeCase{"combiningMarks",
                                 "e\xCC\x81"
                                 "e\xCC\x81x",
                                 3, 6, 4},
                    GraphemeCase{"crLf", "a\r\nb", 3, 3, 3},
                    // two flags (regional indicator pairs) and a family joined by ZWJs
                    GraphemeCase{"emoji",
                                 "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7"
                                 "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7",
                                 3, 16, 19}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ForEachScalar, ReportsScalarsWithTheirSourceBytes) {
    std::u32string scalars;
    std::string sources;
    unicode::forEachScalar("a\xC3\xA9\xE2\x82|\xF0\x9F\x98\x80",
                           [&](char32_t c, std::string_view source) {
                               scalars += c;
                               sources += std::string(source) + "|";
                           });
    EXPECT_EQ(scalars, (std::u32string{U'a', 0xE9, 0xFFFD, U'|', 0x1F600}));
    EXPECT_EQ(sources, "a|\xC3\xA9|\xE2\x82|||\xF0\x9F\x98\x80|");
}

struct TrimCase {
    const char* name;
    std::string text;
    std::string whitespaceTrimmed;
    std::string allTrimmed;
};

void PrintTo(const TrimCase& c, std::ostream* os) {
    *os << c.name;
}

class Trimming : public testing::TestWithParam<TrimCase> {};

TEST_P(Trimming, TrimsWhitespaceAndOptionallyLineBreaks) {
    EXPECT_EQ(trimWhitespace(GetParam().text), GetParam().whitespaceTrimmed);
    EXPECT_EQ(trimWhitespaceAndLineBreaks(GetParam().text), GetParam().allTrimmed);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Trimming,
    testing::Values(TrimCase{"nothing", "word", "word", "word"},
                    TrimCase{"onlySpace", " \t ", "", ""},
                    TrimCase{"spaces", "  two words\t", "two words", "two words"},
                    TrimCase{"lineBreaks", "\n word \r\n", "\n word \r\n", "word"},
                    // no-break space, ideographic space, line separator, NEL
                    TrimCase{"unicodeSpaces", "\xC2\xA0\xE3\x80\x80x\xE2\x80\xA8\xC2\x85",
                             "x\xE2\x80\xA8\xC2\x85", "x"},
                    TrimCase{"malformedKept", " \xE2\x82 ", "\xE2\x82", "\xE2\x82"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LowercasedAscii, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(lowercasedAscii("E621E1F8-Mp3"), "e621e1f8-mp3");
    EXPECT_EQ(lowercasedAscii("\xC3\x89T\xC3\x89"), "\xC3\x89t\xC3\x89"); // É stays
}

} // namespace
} // namespace bw
