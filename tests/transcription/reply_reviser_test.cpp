#include "transcription/reply_reviser.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

using Piece = ReplyReviser::Piece;
using Segments = std::vector<TranscriptSegment>;

TranscriptSegment mine(double start, double end, std::string text = "Agreed.") {
    return {start, end, std::move(text), {}, Speaker::me};
}

// The times are sums of tenths: equal within a rounding error.
void expectNear(const std::vector<Piece>& actual, const std::vector<Piece>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].segment, expected[i].segment);
        EXPECT_NEAR(actual[i].start, expected[i].start, 1e-9);
        EXPECT_NEAR(actual[i].cut, expected[i].cut, 1e-9);
        EXPECT_NEAR(actual[i].end, expected[i].end, 1e-9);
        EXPECT_NEAR(actual[i].placed, expected[i].placed, 1e-9);
    }
}

void expectNear(const Segments& actual, const Segments& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].start, expected[i].start, 1e-9);
        EXPECT_NEAR(actual[i].end, expected[i].end, 1e-9);
        EXPECT_EQ(actual[i].text, expected[i].text);
        EXPECT_EQ(actual[i].speaker, expected[i].speaker);
    }
}

struct PlanCase {
    const char* name;
    Segments mine;
    Segments theirs;
    std::vector<Piece> expected;

    friend void PrintTo(const PlanCase& c, std::ostream* out) { *out << c.name; }
};

class ReplyPlans : public testing::TestWithParam<PlanCase> {};

// A piece is the other side's last seconds before the reply, then the reply with a margin.
TEST_P(ReplyPlans, TakeOnlyShortRepliesToTheOtherSide) {
    const auto& c = GetParam();
    expectNear(ReplyReviser::plan(c.mine, c.theirs), c.expected);
}

const TranscriptSegment question{10, 14, "Shall we meet on Monday?"};

INSTANTIATE_TEST_SUITE_P(
    Calls, ReplyPlans,
    testing::Values(PlanCase{"aReplyAfterTheirQuestion",
                             {mine(14.5, 15.2)},
                             {question},
                             {{0, 9.7, 14.2, 15.5, 0}}},
                    PlanCase{"aLongSegmentCarriesItsOwnContext", {mine(14.5, 17)}, {question}, {}},
                    PlanCase{"theirSpeechEndedLongBefore", {mine(16.5, 17)}, {question}, {}},
                    PlanCase{"nothingOfTheirsBefore", {mine(9, 9.5)}, {question}, {}},
                    PlanCase{"aReplyAfterItsSpeakersOwnWords",
                             {mine(11.5, 14.4, "Yes, I know that already."), mine(14.5, 15.2)},
                             {question},
                             {}},
                    PlanCase{"theStretchStaysClearOfOwnWords",
                             {mine(11, 13.6, "I think so, yes."), mine(13.8, 14.3, "Sure."),
                              mine(14.5, 17.5, "Monday it is then.")},
                             {question},
                             {{1, 9.7, 13.6, 14.5, 0}}},
                    PlanCase{"twoRepliesLaidApart",
                             {mine(14.5, 15.2), mine(23.4, 23.9, "No.")},
                             {question, {20, 23, "And Tuesday?"}},
                             {{0, 9.7, 14.2, 15.5, 0}, {1, 19.7, 23.1, 24.2, 8.8}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RevisionCase {
    const char* name;
    Segments heard; // in the pieces' file
    Segments expected;

    friend void PrintTo(const RevisionCase& c, std::ostream* out) { *out << c.name; }
};

class Revisions : public testing::TestWithParam<RevisionCase> {};

// Two pieces: "A read." at 30.5 (its reply's stretch 4 to 5.5 s into the file) and "Shore." at
// 60.5 (10.5 to 12 s).
TEST_P(Revisions, ReplaceAReplysTextWithWhatItsStretchGave) {
    const auto& c = GetParam();
    const Segments before = {mine(20, 26, "We start at nine."), mine(30.5, 31, "A read."),
                             mine(60.5, 61, "Shore.")};
    const std::vector<Piece> pieces = {{1, 26.2, 30.2, 31.7, 0}, {2, 56.2, 60.2, 61.7, 6.5}};
    expectNear(ReplyReviser::revised(before, pieces, c.heard), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, Revisions,
    testing::Values(RevisionCase{"bothHeard",
                                 {{0.3, 3.8, "Is nine too early?"},
                                  {4.3, 4.9, "Agreed."},
                                  {6.8, 10.2, "Is that all?"},
                                  {10.8, 11.2, "Sure."},
                                  {11.2, 11.6, "Thanks."}},
                                 {mine(20, 26, "We start at nine."), mine(30.5, 31.1, "Agreed."),
                                  mine(60.5, 60.9, "Sure."), mine(60.9, 61.3, "Thanks.")}},
                    RevisionCase{"aReplyNotHeardKeepsItsText",
                                 {{0.3, 3.8, "Is nine too early?"}, {10.8, 11.2, "Sure."}},
                                 {mine(20, 26, "We start at nine."), mine(30.5, 31, "A read."),
                                  mine(60.5, 60.9, "Sure.")}},
                    RevisionCase{"aSegmentRunningFromTheirSpeechIntoTheReplyKeepsIt",
                                 {{0.3, 4.9, "Is nine too early? Agreed."}},
                                 {mine(20, 26, "We start at nine."), mine(30.5, 31, "A read."),
                                  mine(60.5, 61, "Shore.")}},
                    RevisionCase{"aTimeBeyondTheStretchIsKeptWithinIt",
                                 {{3.95, 5.9, "Agreed."}},
                                 {mine(20, 26, "We start at nine."), mine(30.2, 31.7, "Agreed."),
                                  mine(60.5, 61, "Shore.")}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bw
