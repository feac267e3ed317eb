#include "whisper/word_assembly.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

constexpr int eot = 50257;

struct WordCase {
    const char* name;
    std::vector<WhisperToken> tokens;
    std::vector<RecognizedWord> words;
};

void PrintTo(const WordCase& value, std::ostream* out) {
    *out << value.name;
}

class AssembleWords : public testing::TestWithParam<WordCase> {};

TEST_P(AssembleWords, BuildsWordsFromTokens) {
    EXPECT_EQ(assembleWords(GetParam().tokens, eot), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, AssembleWords,
    testing::Values(
        WordCase{"SplitsAtLeadingSpaces",
                 {{1, " And", 0, 30}, {2, " so", 30, 52}},
                 {{0, 0.3, " And"}, {0.3, 0.52, " so"}}},
        WordCase{"GluesTokensWithoutSpace",
                 {{1, " fel", 100, 120}, {2, "low", 120, 150}, {3, ",", 150, 151}},
                 {{1.0, 1.51, " fellow,"}}},
        WordCase{"FirstTokenWithoutSpaceStartsAWord",
                 {{1, "Hi", 40, 60}, {2, " there", 60, 90}},
                 {{0.4, 0.6, "Hi"}, {0.6, 0.9, " there"}}},
        WordCase{"DecodesCharactersSplitAcrossTokens",
                 {{1, " \xC4", 0, 10}, {2, "\x8D", 10, 20}, {3, "o", 20, 25}},
                 {{0, 0.25, " \xC4\x8Do"}}},
        WordCase{"ReplacesABrokenCharacter", {{1, " a\xC4", 0, 10}}, {{0, 0.1, " a\xEF\xBF\xBD"}}},
        WordCase{"SkipsSpecialAndTimestampTokens",
                 {{eot + 1, "[_SOT_]", 0, 0},
                  {1, " Hi", 0, 20},
                  {eot, "[_EOT_]", 20, 20},
                  {eot + 1500, "[_TT_]", 20, 20}},
                 {{0, 0.2, " Hi"}}},
        WordCase{"SkipsTokensWithoutText", {{1, "", 0, 5}, {2, " x", 5, 10}}, {{0.05, 0.1, " x"}}},
        WordCase{"EndNeverBeforeStart", {{1, " late", 300, 250}}, {{3.0, 3.0, " late"}}},
        WordCase{"OnlySpecialTokensGiveNoWords", {{eot + 2, "[_BEG_]", 0, 0}}, {}},
        WordCase{"NoTokensGiveNoWords", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AssembleSegment, JoinsWordTextsAndKeepsTheEndAfterTheStart) {
    auto segment = assembleSegment(150, 120, {{1.5, 1.6, " Ask"}, {1.6, 1.7, " not"}});
    EXPECT_EQ(segment.text, " Ask not");
    EXPECT_DOUBLE_EQ(segment.start, 1.5);
    EXPECT_DOUBLE_EQ(segment.end, 1.5);
    EXPECT_EQ(segment.words.size(), 2u);

    auto empty = assembleSegment(0, 200, {});
    EXPECT_EQ(empty.text, "");
    EXPECT_DOUBLE_EQ(empty.end, 2.0);
}

} // namespace
} // namespace bw
