// A transcription stopped by SIGTERM keeps its finished chunks: the real program with the
// bundled model on a generated meeting of two chunks is stopped once its first chunk is written
// down, and the next run carries on from there and loses no utterance.
#include "base/duration_format.h"
#include "cli/program_run.h"
#include "library/library_test_support.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>

namespace bw {
namespace {

namespace fs = std::filesystem;

TEST(TranscriptionResumeTest, TheNextRunCarriesOnFromTheLastChunkSigtermLeft) {
    BW_REQUIRE_BUNDLED_MODEL(model);
    BW_REQUIRE_SHARED_FILE(jfk, "audio/jfk.wav");
    const auto support = fs::path(BW_SOURCE_DIR) / "tests" / "support";
    test::TemporaryFolder folder;
    const auto meeting = folder / "meeting.wav";
    test::runShell("python3 " + test::shellQuoted(support / "generate_meeting.py") +
                   " --seed 3 --seconds 160 --jfk " + test::shellQuoted(jfk) + " --output " +
                   test::shellQuoted(meeting));

    // Settings and models of its own: the bundled model is used.
    const std::map<std::string, std::string> environment = {
        {"XDG_CONFIG_HOME", (folder / "config").string()},
        {"XDG_DATA_HOME", (folder / "data").string()}};
    const auto library = folder / "Library";
    auto run = [&](const std::string& arguments) {
        std::string line;
        for (const auto& [name, value] : environment) {
            line += name + "=" + test::shellQuoted(value) + " ";
        }
        return test::runCapturing(
            line + test::shellQuoted(fs::path(BW_BINARY_DIR) / "bin" / "brindlewick") +
                " library " + arguments + " --library " + test::shellQuoted(library),
            folder.path());
    };
    ASSERT_EQ(run("import " + test::shellQuoted(meeting)).status, 0);
    const std::string id = nlohmann::json::parse(run("list --json").out).at(0).at("id");
    const auto checkpointFile = library / id / ".checkpoint.json";

    test::RunningProgram first(
        {"library", "transcribe", id, "--language", "en", "--library", library.string()},
        environment);
    for (int i = 0; i < 3000 && !fs::exists(checkpointFile); ++i) {
        ASSERT_FALSE(first.waitFor(std::chrono::milliseconds(100))) << first.error();
    }
    ASSERT_TRUE(fs::exists(checkpointFile)) << first.error();
    first.signal(SIGTERM);
    EXPECT_EQ(first.wait(), 130) << first.error();
    EXPECT_FALSE(fs::exists(library / id / "transcript.json"));
    const auto kept = nlohmann::json::parse(readFile(checkpointFile));
    EXPECT_TRUE(kept.at("interrupted"));
    // The first chunk ends at a pause before its target length, well before the recording's end.
    const double position = kept.at("position");
    EXPECT_GT(position, 60);
    EXPECT_LT(position, 150);

    auto second = run("transcribe " + id + " --language en");
    ASSERT_EQ(second.status, 0) << second.err;
    // Starting where the kept work ends, it repeats at most the chunk SIGTERM interrupted.
    EXPECT_NE(second.err.find("Resuming the transcription from " + Formatting::duration(position) +
                              "…\n"),
              std::string::npos)
        << second.err;
    EXPECT_FALSE(fs::exists(checkpointFile));

    auto shown = run("transcript " + id + " --json");
    ASSERT_EQ(shown.status, 0) << shown.err;
    const auto document = nlohmann::json::parse(shown.out);
    const auto& segments = document.at("segments");
    const auto& keptSegments = kept.at("segments");
    ASSERT_GT(segments.size(), keptSegments.size());
    for (std::size_t i = 0; i < segments.size(); ++i) {
        EXPECT_EQ(segments[i].at("id"), i);
        if (i < keptSegments.size()) {
            EXPECT_EQ(segments[i].at("start"), keptSegments[i].at("start"));
            EXPECT_EQ(segments[i].at("text"), keptSegments[i].at("text"));
            EXPECT_EQ(segments[i].value("doubts", nlohmann::json()),
                      keptSegments[i].value("doubts", nlohmann::json()));
        } else {
            EXPECT_GE(segments[i].at("start").get<double>(), position - 0.001);
        }
    }
    EXPECT_EQ(document.at("audioDuration"), 160);

    const auto transcript = folder / "transcript.json";
    test::writeText(transcript, shown.out);
    auto scored = test::runCapturing("python3 " + test::shellQuoted(support / "meeting_score.py") +
                                         " " + test::shellQuoted(folder / "meeting.json") + " " +
                                         test::shellQuoted(transcript),
                                     folder.path());
    EXPECT_EQ(scored.status, 0) << scored.out << scored.err;
}

} // namespace
} // namespace bw
