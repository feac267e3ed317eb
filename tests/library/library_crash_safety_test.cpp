#include "library/library_group_store.h"
#include "library/library_importer.h"
#include "library/library_store.h"
#include "library/library_test_support.h"
#include "support/small_file_system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace bw {
namespace {

namespace fs = std::filesystem;

// Changes the library forever, as fast as it can: renames, moves, group changes, imports and
// deletes. Runs in a forked child until it is killed.
[[noreturn]] void changeForever(const LibraryStore& store, const fs::path& source, unsigned seed) {
    std::mt19937 random(seed);
    auto pick = [&](size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(random);
    };
    for (;;) {
        try {
            auto items = store.loadItems();
            auto groups = LibraryGroupStore(store).loadGroups();
            switch (pick(5)) {
            case 0:
                if (!items.empty()) {
                    // Titles of very different lengths make a torn write visible.
                    store.rename(items[pick(items.size())].id,
                                 std::string(1 + pick(3000), 'a' + char(pick(26))));
                }
                break;
            case 1:
                if (!items.empty()) {
                    std::optional<Uuid> group;
                    if (!groups.empty() && pick(3) > 0) {
                        group = groups[pick(groups.size())].id;
                    }
                    store.move({items[pick(items.size())].id, items[pick(items.size())].id}, group);
                }
                break;
            case 2:
                if (groups.size() < 6) {
                    LibraryGroupStore(store).createGroup("Group " + std::to_string(random()),
                                                         std::chrono::system_clock::now());
                } else {
                    LibraryGroupStore(store).renameGroup(groups[pick(groups.size())].id,
                                                         std::string(1 + pick(500), 'g') +
                                                             std::to_string(random()));
                }
                break;
            case 3:
                LibraryImporter(store).importAudio(source, std::nullopt,
                                                   std::chrono::system_clock::now());
                break;
            case 4:
                if (items.size() > 8) {
                    store.deleteItem(items[pick(items.size())].id);
                }
                break;
            }
        } catch (const std::exception&) {
            // A duplicate group name and the like: carry on.
        }
    }
}

// A recording whose audio filled the disk is still finished: its item file does not stay
// "recording" at 0:00 until some later write finds room.
TEST(LibraryCrashSafety, ARecordingThatFilledTheDiskIsStillFinished) {
    test::TemporaryFolder folder;
    test::SmallFileSystem disk(folder / "disk", "1m");
    if (!disk.mounted()) {
        GTEST_SKIP() << "mounting a small tmpfs needs privileges";
    }
    LibraryStore store(folder / "disk" / "Library");
    auto item = test::sampleItem("Long meeting", 100);
    item.state = LibraryItem::State::recording;
    auto recording = store.addRecording(item);
    {
        // The audio takes what is left.
        std::ofstream audio(store.audioFileURL(item), std::ios::binary);
        const std::string block(4096, '\0');
        while (audio.write(block.data(), block.size()) && audio.flush()) {
        }
    }
    auto finished = store.update(item.id, [](LibraryItem& done) {
        done.state = LibraryItem::State::complete;
        done.duration = 31.5;
    });
    EXPECT_EQ(store.item(item.id), finished);
    EXPECT_EQ(finished.state, LibraryItem::State::complete);
    for (const auto& entry : fs::directory_iterator(store.itemFolderURL(item.id))) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".reserve"));
    }
}

TEST(LibraryCrashSafety, WritersKilledAtRandomMomentsLeaveWholeFiles) {
    test::TemporaryFolder folder;
    fs::path root = folder / "Library";
    LibraryStore store(root);
    fs::path source = folder / "source.wav";
    test::writeWav(source, 2); // 64 KB: the copy takes a while
    auto sourceSize = fs::file_size(source);
    for (int i = 0; i < 4; ++i) {
        store.addRecording(test::sampleItem("seed " + std::to_string(i), i));
    }

    unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const int rounds = 40;
    int unfinishedImports = 0;
    for (int round = 0; round < rounds; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            changeForever(store, source, seed + unsigned(round));
        }
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(2000, 60000)(random)));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself in round " << round;

        // Every item folder holds an item file that reads back whole; so does the group list.
        size_t itemFiles = 0;
        for (const auto& entry : fs::directory_iterator(root)) {
            auto id = Uuid::parse(entry.path().filename().string());
            if (!id) {
                unfinishedImports += entry.path().filename().string().starts_with(".importing-");
                continue;
            }
            ASSERT_TRUE(fs::exists(entry.path() / "item.json"))
                << "round " << round << ": a half-made item folder " << entry.path();
            ++itemFiles;
            EXPECT_NO_THROW(store.item(*id)) << "round " << round << ": " << entry.path();
        }
        EXPECT_NO_THROW(LibraryGroupStore(store).loadGroups()) << "round " << round;
        auto items = store.loadItems();
        EXPECT_EQ(items.size(), itemFiles) << "round " << round;
        // Every listed import has its whole audio.
        for (const auto& item : items) {
            if (item.origin == LibraryItem::Origin::imported) {
                EXPECT_EQ(fs::file_size(store.audioFileURL(item)), sourceSize) << "round " << round;
            }
        }
    }
    RecordProperty("unfinishedImports", unfinishedImports);
}

} // namespace
} // namespace bw
