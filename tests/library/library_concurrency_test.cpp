// Several processes changing one library at once, as the window, a recording and library
// commands do: nothing a process was told is done may be lost.
#include "library/library_group_store.h"
#include "library/library_housekeeper.h"
#include "library/library_importer.h"
#include "library/library_store.h"
#include "library/library_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace bw {
namespace {

namespace fs = std::filesystem;

// One child's work: each turn it creates a group and makes its other changes, and after each
// change returns it writes a line "<what> <key> <value>" to its acknowledgement file.
struct Worker {
    std::string name;
    std::optional<size_t> renames; // index of the shared item it renames
    std::optional<size_t> moves;   // index of the shared item it moves
    bool imports = false;
};

[[noreturn]] void work(const LibraryStore& store, const Worker& worker,
                       const std::vector<Uuid>& shared, const fs::path& source,
                       const fs::path& acknowledgements) {
    std::ofstream out(acknowledgements);
    auto acknowledge = [&](const std::string& what, const std::string& key,
                           const std::string& value) {
        out << what << " " << key << " " << value << "\n" << std::flush;
    };
    int status = 0;
    try {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        std::optional<Uuid> lastGroup;
        for (int turn = 0; std::chrono::steady_clock::now() < deadline; ++turn) {
            auto group = LibraryGroupStore(store).createGroup(
                worker.name + "-" + std::to_string(turn), std::chrono::system_clock::now());
            acknowledge("group", group.id.string(), group.name);
            if (worker.renames) {
                auto title = worker.name + " title " + std::to_string(turn);
                store.rename(shared[*worker.renames], title);
                acknowledge("title", shared[*worker.renames].string(), title);
            }
            if (worker.moves) {
                // Alternately into its newest group and into none.
                std::optional<Uuid> destination = turn % 2 ? std::nullopt : lastGroup;
                store.move({shared[*worker.moves]}, destination);
                acknowledge("group-of", shared[*worker.moves].string(),
                            destination ? destination->string() : "none");
            }
            if (worker.imports) {
                auto item = LibraryImporter(store).importAudio(source, group.id,
                                                               std::chrono::system_clock::now());
                acknowledge("import", item.id.string(), group.id.string());
            }
            lastGroup = group.id;
        }
    } catch (const std::exception& error) {
        out << "error " << error.what() << "\n" << std::flush;
        status = 1;
    }
    out.close();
    _exit(status);
}

TEST(LibraryConcurrency, ChangesFromSeveralProcessesAreAllKept) {
    test::TemporaryFolder folder;
    fs::path root = folder / "Library";
    LibraryStore store(root);
    fs::path source = folder / "source.wav";
    test::writeWav(source, 0.2);
    std::vector<Uuid> shared;
    for (int i = 0; i < 2; ++i) {
        auto item = test::sampleItem("shared " + std::to_string(i), i);
        store.addRecording(item);
        shared.push_back(item.id);
    }
    // Renames of each shared item race moves of it in another process.
    const std::vector<Worker> workers{
        {"A", 0, std::nullopt, false}, {"B", 1, 0, false}, {"C", std::nullopt, 1, true}};

    std::vector<pid_t> children;
    for (size_t i = 0; i < workers.size(); ++i) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            work(store, workers[i], shared, source, folder / ("acknowledged-" + workers[i].name));
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    // The last acknowledged value of each key is what must be on disk.
    std::map<std::string, std::map<std::string, std::string>> expected;
    size_t acknowledgedCount = 0;
    for (const auto& worker : workers) {
        std::istringstream lines(test::readText(folder / ("acknowledged-" + worker.name)));
        for (std::string line; std::getline(lines, line); ++acknowledgedCount) {
            ASSERT_FALSE(line.starts_with("error")) << worker.name << ": " << line;
            auto first = line.find(' ');
            auto second = line.find(' ', first + 1);
            expected[line.substr(0, first)][line.substr(first + 1, second - first - 1)] =
                line.substr(second + 1);
        }
    }
    RecordProperty("acknowledgedChanges", int(acknowledgedCount));

    std::vector<LibraryGroup> groups;
    ASSERT_NO_THROW(groups = LibraryGroupStore(store).loadGroups());
    std::map<std::string, std::string> groupNames;
    for (const auto& group : groups) {
        groupNames[group.id.string()] = group.name;
    }
    EXPECT_EQ(groupNames, expected["group"]);

    auto items = store.loadItems();
    // Every item folder holds an item file that reads back.
    size_t itemFolders = 0;
    for (const auto& entry : fs::directory_iterator(root)) {
        itemFolders += Uuid::parse(entry.path().filename().string()).has_value();
    }
    EXPECT_EQ(items.size(), itemFolders);
    std::map<std::string, std::string> titles, groupOf, imported;
    for (const auto& item : items) {
        std::string id = item.id.string();
        if (item.origin == LibraryItem::Origin::imported) {
            imported[id] = item.groupID ? item.groupID->string() : "none";
            EXPECT_EQ(fs::file_size(store.audioFileURL(item)), fs::file_size(source));
        } else {
            if (expected["title"].count(id)) {
                titles[id] = item.title;
            }
            groupOf[id] = item.groupID ? item.groupID->string() : "none";
        }
    }
    EXPECT_EQ(titles, expected["title"]);
    EXPECT_EQ(groupOf, expected["group-of"]);
    EXPECT_EQ(imported, expected["import"]);
}

// A new recording never shows without its recording lock, so start-up recovery in another
// process meanwhile never takes it for an interrupted one.
TEST(LibraryConcurrency, RecoveryNeverInterruptsARecordingBeingCreated) {
    test::TemporaryFolder folder;
    const LibraryStore store(folder / "Library");
    std::atomic<bool> creating = true;
    size_t interrupted = 0;
    std::thread recovery([&] {
        const LibraryStore other(store.rootURL());
        while (creating) {
            interrupted +=
                LibraryHousekeeper(other).recoverInterruptedRecordings(std::nullopt).size();
        }
    });
    std::vector<FileLock> recordings;
    for (int i = 0; i < 200; ++i) {
        auto item = test::sampleItem("Take " + std::to_string(i), i);
        item.state = LibraryItem::State::recording;
        recordings.push_back(store.addRecording(item));
    }
    creating = false;
    recovery.join();
    EXPECT_EQ(interrupted, 0u);
    for (const auto& item : store.loadItems()) {
        EXPECT_EQ(item.state, LibraryItem::State::recording) << item.title;
    }
}

} // namespace
} // namespace bw
