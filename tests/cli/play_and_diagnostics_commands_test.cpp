// "brindlewick play" and "brindlewick diagnostics" run as the real executable, against a
// library in a temporary folder and a private sound server.
#include "library/library_test_support.h"
#include "support/pulse_audio_daemon.h"

#include "cli/program_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace bw {
namespace {

namespace fs = std::filesystem;

using test::CommandResult;

class PlayAndDiagnosticsCommands : public testing::Test {
protected:
    // `arguments` is a shell fragment after "brindlewick"; `wrap` may put the command line into
    // a larger shell script in place of "%".
    CommandResult run(const std::string& arguments, const std::string& wrap = "%") {
        const std::string command =
            "BRINDLEWICK_RESOURCES='" BW_SOURCE_DIR "/resources' BRINDLEWICK_LIBRARY='" +
            library.string() + "' '" BW_BINARY_DIR "/bin/brindlewick' " + arguments;
        std::string script = wrap;
        script.replace(script.find('%'), 1, command);
        return test::runCapturing(script, folder.path());
    }

    // Imports `seconds` of audio as "tone" and returns its identifier.
    std::string importTone(double seconds) {
        test::writeWav(folder / "tone.wav", seconds);
        const auto imported = run("library import '" + (folder / "tone.wav").string() + "'");
        EXPECT_EQ(imported.status, 0) << imported.err;
        const auto listed = run("library list");
        return listed.out.substr(0, 36);
    }

    test::PulseAudioDaemon daemon;
    test::TemporaryFolder folder;
    fs::path library = folder / "Library";
};

TEST_F(PlayAndDiagnosticsCommands, PlayRunsToTheEndShowingThePosition) {
    const std::string id = importTone(1.5);
    const auto played = run("play " + id.substr(0, 8));
    ASSERT_EQ(played.status, 0) << played.err;
    EXPECT_NE(played.err.find("Playing “tone”  0:00 / 0:01\n"), std::string::npos) << played.err;
    EXPECT_NE(played.err.find("Playing “tone”  0:01 / 0:01\n"), std::string::npos) << played.err;

    const auto later = run("play " + id + " --from 1.2");
    ASSERT_EQ(later.status, 0) << later.err;
    EXPECT_EQ(later.err.find("0:00 /"), std::string::npos) << later.err;
}

TEST_F(PlayAndDiagnosticsCommands, PlayRefusesWhatItCannotPlay) {
    const std::string id = importTone(1);
    test::writeText(library / id / "audio.wav", "not audio any more");
    test::writeWav(folder / "other.wav", 1);
    ASSERT_EQ(run("library import '" + (folder / "other.wav").string() + "'").status, 0);
    const struct {
        std::string arguments;
        int status;
        std::string err;
    } cases[] = {
        {"play " + id, 1, "This audio can't be played.\n"},
        {"play 00000000", 1, "No recording matches “00000000”.\n"},
        {"play", 2, ""},
        {"play " + id + " --from soon", 2, "--from needs a number of seconds"},
        {"play " + id + " --from -1", 2, "--from needs a number of seconds"},
    };
    for (const auto& c : cases) {
        const auto result = run(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments << "\n" << result.err;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << c.arguments << "\n" << result.err;
    }
    const auto listed = run("library list");
    const std::string other = listed.out.find(id) == 0
                                  ? listed.out.substr(listed.out.find('\n') + 1, 36)
                                  : listed.out.substr(0, 36);
    const auto past = run("play " + other + " --from 5");
    EXPECT_EQ(past.status, 1);
    EXPECT_EQ(past.err, "The recording is only 0:01 long: nothing plays from 0:05.\n");

    daemon.kill();
    const auto silent = run("play " + other);
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.err.find("no sound output answered"), std::string::npos) << silent.err;
}

TEST_F(PlayAndDiagnosticsCommands, CtrlCStopsPlayingWithTheCancelledStatus) {
    const std::string id = importTone(30);
    const auto stopped =
        run("play " + id, "% & player=$!; sleep 1; kill -INT $player; wait $player");
    EXPECT_EQ(stopped.status, 130) << stopped.err;
}

TEST_F(PlayAndDiagnosticsCommands, DiagnosticsPrintsOrSavesTheReport) {
    importTone(1);
    const auto printed = run("diagnostics");
    ASSERT_EQ(printed.status, 0) << printed.err;
    for (const std::string line :
         {"Brindlewick diagnostics\nCreated: ", "\n  Version: 1.0.0 (1)\n",
          "\n  Microphone access: granted\n", "\n  Items: 1 (0 recorded, 1 imported)\n",
          "\n  Total duration: 0:01\n",
          "\n\nThis file contains no audio, no transcripts and no recording titles.\n"}) {
        EXPECT_NE(printed.out.find(line), std::string::npos) << line << "\n" << printed.out;
    }
    EXPECT_EQ(printed.out.find("tone"), std::string::npos); // no recording titles

    const auto json = nlohmann::json::parse(run("diagnostics --json").out);
    EXPECT_EQ(json["itemCount"], 1);
    EXPECT_EQ(json["microphoneAccess"], "granted");

    fs::create_directories(folder / "saved");
    const auto saved = run("diagnostics --output '" + (folder / "saved").string() + "'");
    ASSERT_EQ(saved.status, 0) << saved.err;
    const fs::path file = saved.out.substr(0, saved.out.size() - 1);
    EXPECT_EQ(file.parent_path(), folder / "saved");
    EXPECT_TRUE(file.filename().string().starts_with("Brindlewick-diagnostics-"));
    // The saved report is the printed one, after its creation time; free space is left out,
    // since other processes may write to the disk between the two reports.
    const auto comparable = [](const std::string& report) {
        std::string body = report.substr(report.find("\n\n"));
        const std::size_t line = body.find("\n  Free disk: ");
        return line == std::string::npos ? body
                                         : body.erase(line, body.find('\n', line + 1) - line);
    };
    EXPECT_EQ(comparable(test::readText(file)), comparable(printed.out));

    const auto failed =
        run("diagnostics --output '" + (folder / "missing/report.txt").string() + "'");
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(failed.err.starts_with("The diagnostics file couldn't be saved. (“report.txt”"))
        << failed.err;
}

TEST_F(PlayAndDiagnosticsCommands, DiagnosticsOfAMissingLibraryChangesNothing) {
    const auto printed = run("diagnostics --library '" + (folder / "nowhere").string() + "'");
    ASSERT_EQ(printed.status, 0) << printed.err;
    EXPECT_NE(printed.out.find("\n  Items: 0 (0 recorded, 0 imported)\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / "nowhere"));
}

} // namespace
} // namespace bw
