#include "transcription/segment_doubt_rules.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

using Doubts = std::vector<SegmentDoubt>;
using Signals = SegmentDoubtRules::Signals;

struct DoubtCase {
    const char* name;
    Signals signals;
    Doubts expected;
};

void PrintTo(const DoubtCase& c, std::ostream* out) {
    *out << c.name;
}

class DoubtRules : public testing::TestWithParam<DoubtCase> {};

TEST_P(DoubtRules, JudgeTheSignals) {
    EXPECT_EQ(SegmentDoubtRules::judge(GetParam().signals), GetParam().expected);
}

constexpr const char* sentence = " The marketing budget for next year will be ten percent smaller.";

INSTANTIATE_TEST_SUITE_P(
    Cases, DoubtRules,
    testing::Values(
        DoubtCase{"ANormalSentence", {sentence, " We lost the tender.", 4.2, 4.0, -0.25, 0.01}, {}},
        DoubtCase{"WithoutADetectorOrAPreviousLine", {sentence, {}, 4.2, {}, -0.3, 0.02}, {}},
        DoubtCase{"ALoopOfOnePhrase",
                  {" I'm going to go. I'm going to go. I'm going to go. I'm going to go. I'm "
                   "going to go. I'm going to go.",
                   {},
                   9,
                   9,
                   -0.2,
                   0.1},
                  {SegmentDoubt::repeatsItself}},
        DoubtCase{"OneWordOverAndOver",
                  {" no no no no no no no", {}, 3, 3, -0.4, 0.1},
                  {SegmentDoubt::repeatsItself}},
        DoubtCase{"ThePreviousLineAgain",
                  {" The marketing budget for next year will be 10 percent smaller.", sentence, 4,
                   4, -0.2, 0.05},
                  {SegmentDoubt::repeatsPreviousLine}},
        // People do say a short answer twice.
        DoubtCase{"AShortAnswerTwice", {" Yes.", " Yes.", 0.6, 0.6, -0.3, 0.1}, {}},
        // A credit line over the silence at the end of a block.
        DoubtCase{"ACreditLineOverSilence",
                  {" Thanks for watching!", " See you next week.", 2.5, 0.1, -0.45, 0.3},
                  {SegmentDoubt::littleSpeech, SegmentDoubt::tooFast}},
        DoubtCase{"TextOverAFractionOfItsTime",
                  {" Please subscribe to the channel.", {}, 8, 1.2, -0.5, 0.2},
                  {SegmentDoubt::littleSpeech}},
        DoubtCase{
            "AGuess", {" Shadkinder predictor.", {}, 2, 2, -1.4, 0.2}, {SegmentDoubt::unsure}},
        DoubtCase{
            "NoSpeechInTheWindow", {" you", {}, 1, {}, -0.9, 0.85}, {SegmentDoubt::notSpeech}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DoubtRulesMeasures, RepetitionSimilarityAndCompression) {
    EXPECT_EQ(SegmentDoubtRules::longestRepetition("a b c"), 1);
    EXPECT_EQ(SegmentDoubtRules::longestRepetition("go home, go home, go home"), 3);
    EXPECT_DOUBLE_EQ(SegmentDoubtRules::similarity("Hello, World!", "hello world"), 1);
    EXPECT_DOUBLE_EQ(SegmentDoubtRules::similarity("one two three four", "one two three five"),
                     0.75);
    EXPECT_LT(SegmentDoubtRules::compressionRatio(sentence), 1.6);
    EXPECT_GT(SegmentDoubtRules::compressionRatio(std::string(200, 'a')), 10);
}

} // namespace
} // namespace bw
