#include "support/readable_param_name.h"
#include "transcription/echo_detector.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

// What the other side said, as the system track's pass recognised it.
const std::vector<TranscriptSegment> others = {
    {1.0, 3.5, "We should ship the release on Friday."},
    {4.0, 12.0,
     "The tests are green on every machine, the installer was checked by two people, and the "
     "notes are written, so nothing stops us."},
    {20.0, 21.0, "Yes."},
    {30.0, 32.0, "Zajtra pôjdeme do mesta."},
};

struct EchoCase {
    const char* name;
    TranscriptSegment mine;
    bool echo;

    friend void PrintTo(const EchoCase& c, std::ostream* out) { *out << c.name; }
};

class EchoCases : public testing::TestWithParam<EchoCase> {};

TEST_P(EchoCases, AreToldFromOwnSpeech) {
    EchoDetector detector;
    EXPECT_EQ(detector.isEcho(GetParam().mine, others), GetParam().echo)
        << detector.similarity(GetParam().mine, others);
}

INSTANTIATE_TEST_SUITE_P(
    Segments, EchoCases,
    testing::Values(
        EchoCase{"sameWordsSameTime", {1.05, 3.5, "We should ship the release on Friday."}, true},
        EchoCase{
            "otherCaseAndPunctuation", {1.2, 3.4, "WE SHOULD, ship the release on friday!"}, true},
        EchoCase{"wordsHeardLessSurely", {0.6, 3.9, "we should ship the releases on friday"}, true},
        EchoCase{"partOfALongSegment", {7.5, 9.5, "the installer was checked by two people"}, true},
        EchoCase{"recognizerTimesApart", {2.1, 4.6, "We should ship the release on Friday."}, true},
        EchoCase{"accentedLetters", {30.0, 32.1, "ZAJTRA PÔJDEME do mesta"}, true},
        EchoCase{"speechOfBothAtOnce", {1.0, 3.5, "I think the budget is far too small."}, false},
        EchoCase{"wordsOfAnotherPartOfTheSegment",
                 {4.0, 5.5, "the installer was checked by two people"},
                 false},
        EchoCase{
            "sameWordsMuchLater", {15.0, 17.5, "We should ship the release on Friday."}, false},
        EchoCase{"shortReplyAtAnotherTime", {25.0, 25.5, "Yes."}, false},
        EchoCase{"aFewSharedWords", {1.0, 3.5, "We should not ship on Monday, I said."}, false},
        EchoCase{"noWords", {1.0, 3.5, " ... "}, false}),
    test::ReadableParamName());

TEST(EchoDetector, KeepsOwnSegmentsInOrderAndDropsOnlyEchoes) {
    std::vector<TranscriptSegment> mine = {{0.2, 0.9, "Hello?"},
                                           {1.0, 3.5, "we should ship the release on friday"},
                                           {3.6, 4.0, "Agreed."}};
    auto kept = EchoDetector().withoutEchoes(mine, others);
    EXPECT_EQ(kept, (std::vector<TranscriptSegment>{mine[0], mine[2]}));
}

TEST(EchoDetector, ComparesLettersAndDigitsInLowerCase) {
    EXPECT_EQ(EchoDetector::words("Don't stop—Ôsmy deň, 2024! 'quoted'"),
              (std::vector<std::string>{"don't", "stop", "ôsmy", "deň", "2024", "quoted"}));
}

} // namespace
} // namespace bw
