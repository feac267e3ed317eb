// "brindlewick transcript show|edit|restore" and "brindlewick export" end to end: the real
// program on a library with one transcribed recording, whose transcript the test writes.
#include "cli/program_run.h"
#include "library/library_store.h"
#include "library/library_test_support.h"
#include "platform/file_lock.h"
#include "transcripts/transcript_store.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <sstream>
#include <thread>

namespace bw {
namespace {

namespace fs = std::filesystem;

using test::shellQuoted;

class TranscriptCommandsTest : public testing::Test {
protected:
    TranscriptCommandsTest() {
        fs::create_directories(m_work);
        LibraryStore library(m_library);
        m_item = test::sampleItem("Weekly: sync?", 1741939500); // 2025-03-14 08:05 UTC
        library.addRecording(m_item);
        Transcript transcript;
        transcript.language = TranscriptionLanguage::english;
        transcript.segments = {{0, 2.5, "Good morning."}, {2.5, 5, "Let us start."}};
        store().save(TranscriptDocument(transcript, std::chrono::system_clock::now()), m_item.id);
    }

    TranscriptStore store() const { return TranscriptStore(LibraryStore(m_library)); }
    std::string id() const { return m_item.id.string(); }

    // `arguments` is a shell fragment after "brindlewick"; runs in the work folder, in UTC.
    test::CommandResult run(const std::string& arguments) {
        return test::runCapturing("cd " + shellQuoted(m_work) +
                                      " && TZ=UTC BRINDLEWICK_RESOURCES='" BW_SOURCE_DIR
                                      "/resources' '" BW_BINARY_DIR "/bin/brindlewick' " +
                                      arguments + " --library " + shellQuoted(m_library),
                                  m_folder.path());
    }

    test::TemporaryFolder m_folder;
    fs::path m_library = m_folder / "Library";
    fs::path m_work = m_folder / "work";
    LibraryItem m_item;
};

TEST_F(TranscriptCommandsTest, EditAndRestoreChangeOneSegmentThroughTheEditor) {
    auto edited = run("transcript edit " + id().substr(0, 8) + " 1 'Let us\nbegin.'");
    EXPECT_EQ(edited.status, 0) << edited.err;
    EXPECT_EQ(edited.out, "[00:00:02.500 --> 00:00:05.000] Let us begin.\n");
    auto segment = store().load(m_item.id)->segments.at(1);
    EXPECT_EQ(segment.text, "Let us begin.");
    EXPECT_EQ(segment.originalText, "Let us start.");

    auto shown = run("transcript show " + id());
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, "[00:00:00.000 --> 00:00:02.500] Good morning.\n"
                         "[00:00:02.500 --> 00:00:05.000] Let us begin.\n");
    EXPECT_EQ(run("library transcript " + id()).out, shown.out);

    auto restored = run("transcript restore " + id() + " 1");
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(store().load(m_item.id)->segments.at(1).text, "Let us start.");
    EXPECT_EQ(store().load(m_item.id)->segments.at(0).text, "Good morning.");
}

// Waits until process `pid` waits for a lock (flock) that another holds; false after a minute.
bool waitUntilItWaitsForALock(pid_t pid) {
    const std::string waiter = " " + std::to_string(pid) + " ";
    for (int attempt = 0; attempt < 1200; ++attempt) {
        std::istringstream locks(test::readText("/proc/locks"));
        for (std::string line; std::getline(locks, line);) {
            if (line.find("-> FLOCK") != std::string::npos &&
                line.find(waiter) != std::string::npos) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Ctrl-C or SIGTERM while a change waits for the library (held here by the test, as by a busy
// window) does not lose it: the change is made and saved once the library is free.
TEST_F(TranscriptCommandsTest, ASignalWhileWaitingForTheLibraryStillSavesTheChange) {
    const struct {
        std::vector<std::string> arguments;
        int signal;
        std::string text;
    } cases[] = {
        {{"transcript", "edit", id(), "1", "Let us begin."}, SIGINT, "Let us begin."},
        {{"transcript", "restore", id(), "1"}, SIGTERM, "Let us start."},
    };
    for (const auto& c : cases) {
        auto arguments = c.arguments;
        arguments.insert(arguments.end(), {"--library", m_library.string()});
        std::optional<test::RunningProgram> program;
        {
            auto held = FileLock::exclusive(m_library / ".lock");
            program.emplace(arguments, std::map<std::string, std::string>{
                                           {"BRINDLEWICK_RESOURCES", BW_SOURCE_DIR "/resources"}});
            ASSERT_TRUE(waitUntilItWaitsForALock(program->pid()));
            program->signal(c.signal);
        }
        EXPECT_EQ(program->wait(), 0) << program->error();
        EXPECT_EQ(store().load(m_item.id)->segments.at(1).text, c.text);
    }
    for (const auto& entry : fs::directory_iterator(m_library / id())) {
        EXPECT_EQ(entry.path().filename().string().find(".transcript"), std::string::npos)
            << entry.path();
    }
}

// Segment numbers are the segments' ids, whatever their order in the file.
TEST_F(TranscriptCommandsTest, EditAndRestoreFindTheSegmentByItsId) {
    auto document = *store().load(m_item.id);
    document.segments = {
        {5, 0, 1, "five", "five"}, {9, 1, 2, "nine", "nine"}, {2, 2, 3, "two", "two"}};
    store().save(document, m_item.id);
    ASSERT_EQ(run("transcript edit " + id() + " 9 NINE").status, 0);
    ASSERT_EQ(run("transcript edit " + id() + " 2 TWO").status, 0);
    ASSERT_EQ(run("transcript restore " + id() + " 2").status, 0);
    auto stored = *store().load(m_item.id);
    EXPECT_EQ(stored.segments[0].text, "five");
    EXPECT_EQ(stored.segments[1].text, "NINE");
    EXPECT_EQ(stored.segments[2].text, "two");
    auto missing = run("transcript edit " + id() + " 1 x");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "This transcript has no segment 1; its segments' numbers are the "
                           "\"id\" values that \"brindlewick transcript show ITEM --json\" "
                           "prints.\n");
}

// Four edits at once, each of its own segment, round after round: every edit that exits 0 is
// in the transcript afterwards.
TEST_F(TranscriptCommandsTest, ConcurrentEditsOfDifferentSegmentsAreAllKept) {
    Transcript transcript;
    transcript.language = TranscriptionLanguage::english;
    transcript.segments = {{0, 1, "a"}, {1, 2, "b"}, {2, 3, "c"}, {3, 4, "d"}};
    store().save(TranscriptDocument(transcript, std::chrono::system_clock::now()), m_item.id);
    constexpr int rounds = 40;
    int lost = 0;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::unique_ptr<test::RunningProgram>> editors;
        for (int segment = 0; segment < 4; ++segment) {
            editors.push_back(std::make_unique<test::RunningProgram>(
                std::vector<std::string>{"transcript", "edit", id(), std::to_string(segment),
                                         "round " + std::to_string(round), "--library",
                                         m_library.string()},
                std::map<std::string, std::string>{
                    {"BRINDLEWICK_RESOURCES", BW_SOURCE_DIR "/resources"}}));
        }
        for (auto& editor : editors) {
            ASSERT_EQ(editor->wait(), 0) << editor->error();
        }
        const auto stored = store().load(m_item.id);
        for (const auto& segment : stored->segments) {
            lost += segment.text != "round " + std::to_string(round);
        }
    }
    EXPECT_EQ(lost, 0) << "of " << 4 * rounds << " edits";
}

TEST_F(TranscriptCommandsTest, RefusalsAndTheirExitStatuses) {
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"transcript edit " + id() + " 2 x", 1,
         "This transcript has no segment 2; its segments are numbered 0 to 1.\n"},
        {"transcript edit " + id() + " one x", 2, "SEGMENT takes a whole number"},
        {"transcript edit " + id() + " 0", 2, "missing ITEM SEGMENT TEXT"},
        {"transcript restore 0000 0", 1, "No recording matches “0000”.\n"},
        {"transcript nonsense", 2, "unknown subcommand \"nonsense\""},
        {"export " + id(), 2, "--format is required"},
        {"export " + id() + " --format pdf", 2, "--format must be txt, srt or docx"},
        {"export " + id() + " --format txt --output " + shellQuoted(m_folder / "no/x.txt"), 1,
         "The file couldn't be saved where you chose. Choose another folder, or check that the "
         "disk has enough free space, then try again. If it keeps happening, email "
         "support@brindlewick.app with this message and the file from Help › Export "
         "Diagnostics. (“x.txt” couldn't be saved: No such file or directory)\n"},
    };
    for (const auto& c : cases) {
        auto result = run(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.arguments << "\n"
                                                                 << result.err;
    }
    EXPECT_EQ(store().load(m_item.id)->segments.at(0).text, "Good morning.");
    EXPECT_TRUE(fs::is_empty(m_work));

    fs::remove(store().fileURL(m_item.id));
    for (const auto* command : {"transcript show ", "transcript edit ", "export "}) {
        std::string arguments = std::string(command) + id() +
                                (std::string(command) == "export " ? " --format txt" : "") +
                                (std::string(command) == "transcript edit " ? " 0 x" : "");
        auto result = run(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(result.err, "This recording has no transcript yet. Transcribe it with "
                              "\"brindlewick library transcribe\".\n")
            << arguments;
    }
}

TEST_F(TranscriptCommandsTest, ExportWritesTheEditedTranscriptWhereItIsTold) {
    ASSERT_EQ(run("transcript edit " + id() + " 0 'Hello, all.'").status, 0);
    const std::string text = "Weekly: sync?\nDate: 2025-03-14 08:05\nLanguage: English\n\n"
                             "[00:00:00] Hello, all.\n[00:00:02] Let us start.\n";

    // Without --output: the suggested name in the current folder.
    auto plain = run("export " + id() + " --format txt");
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(test::readText(m_work / "Weekly sync.txt"), text);

    // An existing file stays unless --force is given.
    test::writeText(m_work / "Weekly sync.txt", "mine");
    auto refused = run("export " + id() + " --format txt");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "“Weekly sync.txt” already exists. Add --force to replace it, or "
                           "choose another file with --output.\n");
    EXPECT_EQ(test::readText(m_work / "Weekly sync.txt"), "mine");
    EXPECT_EQ(run("export " + id() + " --format txt --force").status, 0);
    EXPECT_EQ(test::readText(m_work / "Weekly sync.txt"), text);

    // --output names the file, or the folder to put the suggested name in.
    auto named = run("export " + id() + " --format srt --output subtitles.srt");
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(test::readText(m_work / "subtitles.srt"),
              "1\r\n00:00:00,000 --> 00:00:02,500\r\nHello, all.\r\n\r\n"
              "2\r\n00:00:02,500 --> 00:00:05,000\r\nLet us start.\r\n");
    fs::create_directory(m_work / "out");
    auto inFolder = run("export " + id() + " --format docx --output out");
    EXPECT_EQ(inFolder.status, 0) << inFolder.err;
    EXPECT_EQ(inFolder.out, "out/Weekly sync.docx\n");
    EXPECT_TRUE(test::readText(m_work / "out" / "Weekly sync.docx").starts_with("PK\x03\x04"));
}

// The second segment is doubted; the first was too, until it was edited.
TEST_F(TranscriptCommandsTest, ShowAndExportTellWhatMayBeWrongAndWhatWasNotHeard) {
    Transcript transcript;
    transcript.language = TranscriptionLanguage::english;
    transcript.segments = {{0, 2.5, "Good morning.", {SegmentDoubt::tooFast}},
                           {2.5, 5, "Let us start.", {SegmentDoubt::repeatsPreviousLine}}};
    transcript.unrecognizedSpeech = {{5, 6}};
    store().save(TranscriptDocument(transcript, std::chrono::system_clock::now()), m_item.id);
    ASSERT_EQ(run("transcript edit " + id() + " 0 'Hello, all.'").status, 0);

    auto shown = run("transcript show " + id());
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, "[00:00:00.000 --> 00:00:02.500] Hello, all.\n"
                         "[00:00:02.500 --> 00:00:05.000] Let us start.  [doubtful: repeats the "
                         "previous line]\n");
    EXPECT_EQ(shown.err, "1 stretch of speech gave no text\n");

    const std::string header = "Weekly: sync?\nDate: 2025-03-14 08:05\nLanguage: English\n\n"
                               "[00:00:00] Hello, all.\n";
    for (const auto& [choice, rest] : {std::pair{"", "[00:00:02] Let us start.\n"},
                                       {" --doubtful keep", "[00:00:02] Let us start.\n"},
                                       {" --doubtful mark", "[00:00:02] Let us start. [?]\n"},
                                       {" --doubtful omit", ""}}) {
        auto exported = run("export " + id() + " --format txt --force" + choice);
        EXPECT_EQ(exported.status, 0) << exported.err;
        EXPECT_EQ(test::readText(m_work / "Weekly sync.txt"), header + rest) << choice;
    }
    auto refused = run("export " + id() + " --format txt --doubtful drop");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--doubtful must be keep, mark or omit, not \"drop\""),
              std::string::npos)
        << refused.err;
}

} // namespace
} // namespace bw
