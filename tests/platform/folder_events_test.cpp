#include "platform/folder_events.h"

#include "platform/atomic_file.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <functional>
#include <poll.h>

namespace bw {
namespace {

namespace fs = std::filesystem;

// Waits (generously) for the descriptor to become readable, then drains it.
bool changedWithin(FolderEvents& events, int timeoutMs = 5000) {
    pollfd readable{events.fileDescriptor(), POLLIN, 0};
    return ::poll(&readable, 1, timeoutMs) == 1 && events.drain();
}

TEST(FolderEventsTest, ReportsEntryChangesInWatchedFoldersOnly) {
    test::TemporaryFolder folder;
    fs::create_directories(folder / "watched");
    fs::create_directories(folder / "other");
    FolderEvents events;
    ASSERT_GE(events.fileDescriptor(), 0);
    events.watch({folder / "watched", folder / "missing", folder / "watched"});

    struct Case {
        const char* name;
        std::function<void()> change;
        bool reported;
    };
    const Case cases[] = {
        {"an atomic write", [&] { writeFileAtomically(folder / "watched" / "item.json", "{}"); },
         true},
        {"a replacing atomic write",
         [&] { writeFileAtomically(folder / "watched" / "item.json", "[]"); }, true},
        {"a removal", [&] { fs::remove(folder / "watched" / "item.json"); }, true},
        {"a write elsewhere", [&] { writeFileAtomically(folder / "other" / "item.json", "{}"); },
         false},
    };
    for (const auto& c : cases) {
        c.change();
        EXPECT_EQ(changedWithin(events, c.reported ? 5000 : 200), c.reported) << c.name;
        EXPECT_FALSE(events.drain()) << c.name << ": everything was read";
    }

    // A folder removed and made again under the same name is watched again when asked.
    fs::remove_all(folder / "watched");
    EXPECT_TRUE(changedWithin(events));
    fs::create_directories(folder / "watched");
    events.watch({folder / "watched"});
    writeFileAtomically(folder / "watched" / "item.json", "{}");
    EXPECT_TRUE(changedWithin(events));

    events.watch({});
    writeFileAtomically(folder / "watched" / "item.json", "[]");
    EXPECT_FALSE(changedWithin(events, 200));
}

TEST(FolderEventsTest, NamesTheFoldersThatChanged) {
    test::TemporaryFolder folder;
    fs::create_directories(folder / "a");
    fs::create_directories(folder / "b");
    FolderEvents events;
    events.watch({folder / "a", folder / "b"});
    writeFileAtomically(folder / "b" / "item.json", "{}");
    ASSERT_TRUE(changedWithin(events));
    EXPECT_EQ(events.takeChangedFolders(), (std::set<fs::path>{folder / "b"}));
    EXPECT_EQ(events.takeChangedFolders(), std::set<fs::path>{});
}

} // namespace
} // namespace bw
