// Meetings generated from a seed (several voices and speeds, pauses of 0.3 to 25 s, single
// words and long runs, the JFK recording), transcribed by the program with the bundled model:
// every utterance must get at least half of its words back in the segments around it.
#include "cli/program_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

struct MeetingCase {
    const char* name;
    int seed;
    int seconds;
};

class GeneratedMeetingTest : public testing::TestWithParam<MeetingCase> {};

TEST_P(GeneratedMeetingTest, LosesNoUtterance) {
    BW_REQUIRE_BUNDLED_MODEL(model);
    BW_REQUIRE_SHARED_FILE(jfk, "audio/jfk.wav");
    const std::filesystem::path source = BW_SOURCE_DIR;
    const auto support = source / "tests" / "support";
    test::TemporaryFolder folder;
    const auto meeting = folder / "meeting.wav";
    test::runShell("python3 " + test::shellQuoted(support / "generate_meeting.py") + " --seed " +
                   std::to_string(GetParam().seed) + " --seconds " +
                   std::to_string(GetParam().seconds) + " --jfk " + test::shellQuoted(jfk) +
                   " --output " + test::shellQuoted(meeting));

    const auto transcript = folder / "transcript.json";
    auto transcribed = test::runCapturing(
        test::shellQuoted(std::filesystem::path(BW_BINARY_DIR) / "bin" / "brindlewick") +
            " transcribe " + test::shellQuoted(meeting) + " --language en --model " +
            test::shellQuoted(model) + " --format json --output " + test::shellQuoted(transcript),
        folder.path());
    ASSERT_EQ(transcribed.status, 0) << transcribed.err;

    auto scored = test::runCapturing("python3 " + test::shellQuoted(support / "meeting_score.py") +
                                         " " + test::shellQuoted(folder / "meeting.json") + " " +
                                         test::shellQuoted(transcript),
                                     folder.path());
    EXPECT_EQ(scored.status, 0) << scored.out << scored.err;
}

INSTANTIATE_TEST_SUITE_P(Seeds, GeneratedMeetingTest,
                         testing::Values(MeetingCase{"Seed11", 11, 100},
                                         MeetingCase{"Seed3", 3, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bw
