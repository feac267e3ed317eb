// Runs the real executable against libraries in temporary folders.
#include "cli/program_run.h"
#include "library/library_group_store.h"
#include "library/library_store.h"
#include "library/library_test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <sys/wait.h>

namespace bw {
namespace {

namespace fs = std::filesystem;

using test::CommandResult;

class LibraryCommandTest : public testing::Test {
protected:
    test::TemporaryFolder folder;
    fs::path library = folder / "Library";

    // `arguments` is a shell fragment after "brindlewick library".
    CommandResult run(const std::string& arguments, bool withLibraryOption = true) {
        return test::runCapturing(
            "BRINDLEWICK_RESOURCES='" BW_SOURCE_DIR "/resources' '" BW_BINARY_DIR
            "/bin/brindlewick' library " +
                arguments + (withLibraryOption ? " --library '" + library.string() + "'" : ""),
            folder.path());
    }

    std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }
};

TEST_F(LibraryCommandTest, GroupsAreCreatedRenamedAndDeletedWithTheSheetsTexts) {
    auto created = run("group create '  Team  '");
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out.substr(36), "\tTeam\n");
    std::string id = created.out.substr(0, 36);

    struct Case {
        std::string arguments;
        std::string err;
    };
    for (const auto& c : std::vector<Case>{
             {"group create TEAM", "A group with this name already exists. Choose another name.\n"},
             {"group create '   '", "The group's name can't be empty.\n"},
             {"group rename Team ''", "The group's name can't be empty.\n"},
             {"group delete Nobody", "No group matches “Nobody”.\n"}}) {
        auto result = run(c.arguments);
        EXPECT_EQ(result.status, 1) << c.arguments;
        EXPECT_EQ(result.err, c.err) << c.arguments;
    }
    ASSERT_EQ(run("group create 'team 10'").status, 0);
    ASSERT_EQ(run("group create Alpha").status, 0);
    EXPECT_EQ(run("group rename " + id.substr(0, 6) + " 'team 2'").status, 0);

    auto groups = nlohmann::json::parse(run("groups --json").out);
    std::vector<std::string> names;
    for (const auto& group : groups) {
        names.push_back(group["name"]);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "team 2", "team 10"}));
    EXPECT_EQ(run("group delete 'team 2'").status, 0);
    EXPECT_EQ(run("groups").out.find(id), std::string::npos);
}

// Four imports at once into one library: each prints the recordings it created, and only
// those.
TEST_F(LibraryCommandTest, ConcurrentImportsPrintTheirOwnRecordings) {
    constexpr int processes = 4, rounds = 3, files = 3;
    for (int p = 0; p < processes; ++p) {
        for (int f = 0; f < files; ++f) {
            test::writeWav(folder / ("p" + std::to_string(p) + "-" + std::to_string(f) + ".wav"),
                           0.1);
        }
    }
    fs::create_directories(library);
    int wrong = 0;
    std::set<std::string> printed;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::unique_ptr<test::RunningProgram>> importers;
        for (int p = 0; p < processes; ++p) {
            std::vector<std::string> arguments = {"library", "import"};
            for (int f = 0; f < files; ++f) {
                arguments.push_back(
                    (folder / ("p" + std::to_string(p) + "-" + std::to_string(f) + ".wav"))
                        .string());
            }
            arguments.insert(arguments.end(), {"--library", library.string()});
            importers.push_back(std::make_unique<test::RunningProgram>(
                arguments, std::map<std::string, std::string>{
                               {"BRINDLEWICK_RESOURCES", BW_SOURCE_DIR "/resources"}}));
        }
        for (int p = 0; p < processes; ++p) {
            ASSERT_EQ(importers[p]->wait(), 0) << importers[p]->error();
            std::istringstream lines(importers[p]->output());
            int count = 0;
            for (std::string line; std::getline(lines, line); ++count) {
                printed.insert(line.substr(0, 36));
                wrong +=
                    !line.ends_with("\tp" + std::to_string(p) + "-" + std::to_string(count) + "");
            }
            EXPECT_EQ(count, files) << importers[p]->output();
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(printed.size(), std::size_t(processes * rounds * files));
    EXPECT_EQ(LibraryStore(library).loadItems().size(), printed.size());
}

TEST_F(LibraryCommandTest, ImportListRenameMoveAndDelete) {
    test::writeWav(folder / "first.wav", 1.5);
    test::writeWav(folder / "second.wav", 2);
    test::writeText(folder / "notes.txt", "OggS");
    ASSERT_EQ(run("group create Calls").status, 0);

    auto imported =
        run("import " + quoted(folder / "first.wav") + " " + quoted(folder / "notes.txt") + " " +
            quoted(folder / "second.wav") + " --group calls"); // not a name: no group matches
    EXPECT_EQ(imported.status, 1);
    EXPECT_EQ(imported.err, "No group matches “calls”.\n");

    imported = run("import " + quoted(folder / "first.wav") + " " + quoted(folder / "notes.txt") +
                   " " + quoted(folder / "second.wav") + " --group Calls");
    EXPECT_EQ(imported.status, 1);
    EXPECT_EQ(imported.err, "Some files weren't imported\n“notes.txt” isn't a flac, m4a, mkv, "
                            "mp3, mp4, ogg, opus, wav or webm file.\n");
    auto items = nlohmann::json::parse(run("list --json --group Calls").out);
    ASSERT_EQ(items.size(), 2u);
    for (const auto& item : items) {
        EXPECT_EQ(item["origin"], "imported");
        EXPECT_EQ(item["state"], "complete");
        EXPECT_EQ(item["audioFileName"], "audio.wav");
        EXPECT_TRUE(item.contains("groupID"));
        EXPECT_FALSE(item.contains("consentConfirmedAt"));
    }
    std::string firstID = items[0]["title"] == "first" ? items[0]["id"] : items[1]["id"];
    std::string prefix = firstID.substr(0, 8);
    for (auto& c : prefix) {
        c = char(std::tolower(c));
    }

    EXPECT_EQ(run("rename " + prefix + " '  Renamed  '").status, 0);
    auto empty = run("rename " + prefix + " '   '");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "Something went wrong\nThe title can't be empty. The recording keeps "
                         "its previous title.\n");
    EXPECT_EQ(run("move " + prefix + " --to none").status, 0);
    auto loose = run("list --group none");
    EXPECT_EQ(loose.status, 0);
    EXPECT_NE(loose.out.find(firstID), std::string::npos);
    EXPECT_NE(loose.out.find("\tNo Group\tRenamed\n"), std::string::npos) << loose.out;
    EXPECT_EQ(run("list --group Calls").out.find(firstID), std::string::npos);

    EXPECT_EQ(run("delete " + firstID).status, 0);
    EXPECT_FALSE(fs::exists(library / firstID));
    auto missing = run("delete " + firstID);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "No recording matches “" + firstID + "”.\n");
}

TEST_F(LibraryCommandTest, AmbiguousPrefixesAndBadCommandLines) {
    LibraryStore store(library);
    auto a = test::sampleItem("a", 1);
    auto b = test::sampleItem("b", 2);
    a.id = *Uuid::parse("AB000000-0000-4000-8000-000000000001");
    b.id = *Uuid::parse("AB000000-0000-4000-8000-000000000002");
    store.addRecording(a);
    store.addRecording(b);
    auto ambiguous = run("delete ab");
    EXPECT_EQ(ambiguous.status, 1);
    EXPECT_NE(ambiguous.err.find("matches more than one recording"), std::string::npos);
    EXPECT_EQ(run("move ab --to none").status, 1);
    auto noDestination = run("move ab000000-0000-4000-8000-000000000001");
    EXPECT_EQ(noDestination.status, 2);
    EXPECT_NE(noDestination.err.find("Run \"brindlewick library move --help\" for usage."),
              std::string::npos)
        << noDestination.err;
    EXPECT_EQ(run("frobnicate").status, 2);
    EXPECT_EQ(run("group explode x").status, 2);
    for (const char* subcommand :
         {"list", "groups", "group", "import", "rename", "move", "delete"}) {
        auto help = run(std::string(subcommand) + " --help");
        EXPECT_EQ(help.status, 0) << subcommand;
        EXPECT_EQ(help.out.rfind("Usage: brindlewick library", 0), 0u) << subcommand;
    }
    EXPECT_EQ(run("list").out.substr(0, 5), "AB000");
}

TEST_F(LibraryCommandTest, LibraryComesFromTheEnvironmentWithoutTheOption) {
    setenv("BRINDLEWICK_LIBRARY", library.c_str(), 1);
    auto created = run("group create FromEnvironment", false);
    unsetenv("BRINDLEWICK_LIBRARY");
    EXPECT_EQ(created.status, 0);
    EXPECT_EQ(LibraryGroupStore(LibraryStore(library)).loadGroups().at(0).name, "FromEnvironment");
}

TEST_F(LibraryCommandTest, UnreadableGroupListIsReportedAndSetAside) {
    fs::create_directories(library);
    test::writeText(library / "groups.json", "{");
    auto listed = run("groups");
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.err.rfind("The group list couldn't be read\nEvery recording is still here", 0),
              0u);
    EXPECT_EQ(run("groups").status, 1); // a command that only reads leaves the file alone
    EXPECT_EQ(run("group create Fresh").status, 1); // reports it too, and sets it aside
    EXPECT_EQ(run("groups").status, 0);             // so the next run starts clean
}

// A recording whose item.json cannot be read is not listed, but said to be there.
TEST_F(LibraryCommandTest, ARecordingWithADamagedItemFileIsReported) {
    LibraryStore store(library);
    auto kept = test::sampleItem("kept", 200);
    auto damaged = test::sampleItem("damaged", 100);
    store.addRecording(kept);
    store.addRecording(damaged);
    test::writeText(store.itemFolderURL(damaged.id) / "item.json", "{\"version\": 1, \"ite");
    for (const char* options : {"", " --json"}) {
        auto listed = run(std::string("list") + options);
        EXPECT_EQ(listed.status, 1);
        EXPECT_NE(listed.out.find(kept.id.string()), std::string::npos) << listed.out;
        EXPECT_EQ(listed.err, "The recording in " + damaged.id.string() +
                                  " isn't listed: its item.json can't be read and may be "
                                  "damaged. Its audio is still in " +
                                  store.itemFolderURL(damaged.id).string() + ".\n");
    }
}

// Every name under `root` with its type, permissions and contents.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        auto status = fs::symlink_status(entry.path());
        std::string description = std::to_string(int(status.type())) + " " +
                                  std::to_string(int(status.permissions())) + " ";
        if (status.type() == fs::file_type::regular) {
            description += test::readText(entry.path());
        }
        entries[fs::relative(entry.path(), root).string()] = description;
    }
    return entries;
}

TEST_F(LibraryCommandTest, CommandsThatOnlyReadChangeNothingOnDisk) {
    LibraryStore store(library);
    auto recording = test::sampleItem("still recording", 100);
    recording.state = LibraryItem::State::recording;
    store.addRecording(recording);
    test::writeWav(store.audioFileURL(recording), 0.5);
    auto complete = test::sampleItem("complete", 50);
    store.addRecording(complete);
    test::writeText(library / "groups.json", "{");
    fs::create_directories(library / ".deleted-leftover");
    test::writeText(store.itemFolderURL(complete.id) / ".item.json.tmp-0123456789abcdef", "{");
    fs::permissions(library, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    auto before = snapshot(library);

    const std::string alert = "The group list couldn't be read\nEvery recording is still here, "
                              "now under No Group.";
    for (const std::string command : {"list", "list --json", "groups", "groups --json"}) {
        auto result = run(command);
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_EQ(result.err.rfind(alert, 0), 0u) << command << ": " << result.err;
    }
    auto listed = run("list");
    EXPECT_EQ(listed.out.rfind(recording.id.string(), 0), 0u) << listed.out;
    EXPECT_NE(listed.out.find("\trecording\tNo Group\tstill recording\n"), std::string::npos);
    EXPECT_NE(listed.out.find("\tcomplete\tNo Group\tcomplete\n"), std::string::npos);
    auto transcript = run("transcript " + complete.id.string());
    EXPECT_EQ(transcript.status, 1);
    EXPECT_EQ(transcript.err.rfind("This recording has no transcript yet.", 0), 0u);

    EXPECT_EQ(snapshot(library), before);
}

TEST_F(LibraryCommandTest, ControlCharactersCannotForgeRowsOrFields) {
    LibraryStore store(library);
    auto group = LibraryGroupStore(store).createGroup("Team\r\nforged\trow", {});
    auto item = test::sampleItem("line\nbreak\tand tab", 1, group.id);
    store.addRecording(item);
    auto listed = run("list");
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.substr(36), "\t1970-01-01T00:00:01Z\t0:12\tcomplete\tTeam\\r\\nforged"
                                     "\\trow\tline\\nbreak\\tand tab\n");
    auto groups = run("groups");
    EXPECT_EQ(groups.out, group.id.string() + "\t1\tTeam\\r\\nforged\\trow\n");
    // The JSON form carries the names as they are.
    EXPECT_EQ(nlohmann::json::parse(run("groups --json").out)[0]["name"], group.name);
}

TEST_F(LibraryCommandTest, NamesThatAreNotUtf8AreKeptWithReplacementCharacters) {
    test::writeWav(folder / "caf\xE9.wav", 0.5);
    auto imported = run("import " + quoted(folder / "caf\xE9.wav"));
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("\tcaf\uFFFD\n"), std::string::npos) << imported.out;
    // A Latin-1 "Équipe" typed in an old terminal.
    auto created = run("group create \"$(printf '\\311quipe')\"");
    EXPECT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out.substr(36), "\t\uFFFDquipe\n");
}

} // namespace
} // namespace bw
