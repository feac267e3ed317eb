// "brindlewick search" end to end: the real program on a library of two transcribed recordings.
#include "cli/program_run.h"
#include "library/library_group_store.h"
#include "library/library_model.h"
#include "library/library_test_support.h"
#include "transcripts/transcript_store.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace bw {
namespace {

namespace fs = std::filesystem;
using test::shellQuoted;

class SearchCommandTest : public testing::Test {
protected:
    SearchCommandTest() {
        LibraryStore library(m_library);
        m_team =
            LibraryGroupStore(library).createGroup("Team", std::chrono::system_clock::now()).id;
        m_older = add("Weekly sync", 1741939500, {"Die Straße ist gesperrt.", "Budget: fine."});
        m_newer = add("Budget for Berlin", 1741943100, {"The budget for Berlin grew."}, m_team);
    }

    Uuid add(const std::string& title, std::int64_t createdAt,
             const std::vector<std::string>& texts, std::optional<Uuid> group = std::nullopt) {
        LibraryStore library(m_library);
        const LibraryItem item = test::sampleItem(title, createdAt, group);
        library.addRecording(item);
        Transcript transcript;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            transcript.segments.push_back({65.0 * double(i), 65.0 * double(i) + 60, texts[i]});
        }
        TranscriptStore(library).save(TranscriptDocument(transcript, {}), item.id);
        return item.id;
    }

    test::CommandResult run(const std::string& arguments) {
        return test::runCapturing("'" BW_BINARY_DIR "/bin/brindlewick' search " + arguments +
                                      " --library " + shellQuoted(m_library),
                                  m_folder.path());
    }

    test::TemporaryFolder m_folder;
    fs::path m_library = m_folder / "Library";
    Uuid m_team;
    Uuid m_older;
    Uuid m_newer;
};

TEST_F(SearchCommandTest, PrintsEachMatchAndExitsAsGrepDoes) {
    const std::string older = m_older.string();
    const std::string newer = m_newer.string();
    struct Case {
        const char* arguments;
        int status;
        std::string out;
    };
    const Case cases[] = {
        {"budget", 0,
         newer + "\t\tBudget for Berlin\tBudget for Berlin\n" + newer +
             "\t0:00\tBudget for Berlin\tThe budget for Berlin grew.\n" + older +
             "\t1:05\tWeekly sync\tBudget: fine.\n"},
        {"budget --limit 1", 0, newer + "\t\tBudget for Berlin\tBudget for Berlin\n"},
        {"budget --group none", 0, older + "\t1:05\tWeekly sync\tBudget: fine.\n"},
        {"STRASSE", 0, older + "\t0:00\tWeekly sync\tDie Straße ist gesperrt.\n"},
        {"'\"Berlin for\"'", 1, ""},
        {"paris", 1, ""},
        {"' '", 2, ""},
        {"budget --limit many", 2, ""},
    };
    for (const auto& c : cases) {
        const auto result = run(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments << ": " << result.err;
        EXPECT_EQ(result.out, c.out) << c.arguments;
    }
    const auto unknown = run("budget --group Sales");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("No group matches “Sales”."), std::string::npos) << unknown.err;
}

TEST_F(SearchCommandTest, PrintsJsonWithHighlightsCountedInCharacters) {
    const auto result = run("strasse --json");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto matches = nlohmann::json::parse(result.out);
    ASSERT_EQ(matches.size(), 1u);
    const auto& match = matches[0];
    EXPECT_EQ(match["id"], m_older.string());
    EXPECT_EQ(match["title"], "Weekly sync");
    EXPECT_EQ(match["segment"], 0);
    EXPECT_EQ(match["start"], 0.0);
    EXPECT_EQ(match["time"], "0:00");
    EXPECT_EQ(match["snippet"], "Die Straße ist gesperrt.");
    EXPECT_EQ(match["highlights"], nlohmann::json::parse("[[4, 6]]"));
    EXPECT_FALSE(match.contains("speaker"));

    EXPECT_EQ(run("paris --json").out, "[]\n");
}

TEST_F(SearchCommandTest, AMissingLibraryFindsNothingAndIsNotCreated) {
    const fs::path missing = m_folder / "Nowhere";
    const auto result = test::runCapturing("'" BW_BINARY_DIR "/bin/brindlewick' search budget "
                                           "--library " +
                                               shellQuoted(missing),
                                           m_folder.path());
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_FALSE(fs::exists(missing));
}

} // namespace
} // namespace bw
