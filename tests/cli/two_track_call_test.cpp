// Calls generated with the far side's echo in the microphone's track, transcribed by the
// program from both tracks with the bundled model: every sentence must come out once, under the
// label of the side that said it, the sentences both sides said at once included.
#include "cli/program_run.h"
#include "library/library_test_support.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

struct CallCase {
    const char* name;
    double echoDecibels;
    double delayMilliseconds;
};

class TwoTrackCallTest : public testing::TestWithParam<CallCase> {};

TEST_P(TwoTrackCallTest, GivesEverySentenceOnceUnderItsSpeaker) {
    BW_REQUIRE_BUNDLED_MODEL(model);
    const auto support = std::filesystem::path(BW_SOURCE_DIR) / "tests" / "support";
    test::TemporaryFolder folder;
    test::runShell("python3 " + test::shellQuoted(support / "generate_call.py") + " --echo-db " +
                   std::to_string(GetParam().echoDecibels) + " --delay-ms " +
                   std::to_string(GetParam().delayMilliseconds) + " --microphone " +
                   test::shellQuoted(folder / "mic.wav") + " --system " +
                   test::shellQuoted(folder / "system.wav"));

    auto transcribed = test::runCapturing(
        test::shellQuoted(std::filesystem::path(BW_BINARY_DIR) / "bin" / "brindlewick") +
            " transcribe " + test::shellQuoted(folder / "mic.wav") + " --system-audio " +
            test::shellQuoted(folder / "system.wav") + " --language en --model " +
            test::shellQuoted(model) + " --format json --output " +
            test::shellQuoted(folder / "transcript.json") + " --format text --output " +
            test::shellQuoted(folder / "transcript.txt"),
        folder.path());
    ASSERT_EQ(transcribed.status, 0) << transcribed.err;

    auto scored = test::runCapturing("python3 " + test::shellQuoted(support / "call_score.py") +
                                         " " + test::shellQuoted(folder / "call.json") + " " +
                                         test::shellQuoted(folder / "transcript.json"),
                                     folder.path());
    EXPECT_EQ(scored.status, 0) << scored.out << scored.err;
    const auto text = test::readText(folder / "transcript.txt");
    EXPECT_NE(text.find("] Me: "), std::string::npos) << text;
    EXPECT_NE(text.find("] Others: "), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Echoes, TwoTrackCallTest,
                         testing::Values(CallCase{"Loud60ms", -3, 60},
                                         CallCase{"Quiet3ms", -20, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bw
