// The library is private to the user whatever the umask, an older library is tightened and
// the leftovers of killed writers are swept at start-up.
#include "library/library_group_store.h"
#include "library/library_housekeeper.h"
#include "library/library_importer.h"
#include "library/library_store.h"
#include "library/library_test_support.h"
#include "platform/atomic_file.h"
#include "platform/library_location.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace bw {
namespace {

namespace fs = std::filesystem;
using test::writeText;

unsigned modeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

// Sets the process's umask for the test's lifetime.
class WithUmask : public testing::TestWithParam<mode_t> {
protected:
    WithUmask() : m_previous(::umask(GetParam())) {}
    ~WithUmask() override { ::umask(m_previous); }

private:
    mode_t m_previous;
};

TEST_P(WithUmask, LibraryIsPrivateAndOtherFilesFollowTheUmask) {
    test::TemporaryFolder folder;
    fs::path root = folder / "Data" / "Library";
    LibraryStore store(root);
    auto item = test::sampleItem("recorded", 1);
    store.addRecording(item);
    LibraryGroupStore(store).createGroup("Group", std::chrono::system_clock::now());
    test::writeWav(folder / "tone.wav", 0.5);
    auto imported = LibraryImporter(store).importAudio(folder / "tone.wav", std::nullopt, {});
    setenv("XDG_DATA_HOME", (folder / "Home").c_str(), 1);
    fs::path standard = defaultLibraryRoot();
    unsetenv("XDG_DATA_HOME");

    for (const auto& path : {folder / "Data", root, store.itemFolderURL(item.id),
                             store.itemFolderURL(imported.id), standard}) {
        EXPECT_EQ(modeOf(path), 0700u) << path;
    }
    for (const auto& path : {store.itemFolderURL(item.id) / "item.json", root / "groups.json",
                             root / ".lock", store.audioFileURL(imported)}) {
        EXPECT_EQ(modeOf(path), 0600u) << path;
    }

    // An exported document and its new folder get what the umask leaves.
    createDirectoriesDurably(folder / "Exports");
    writeFileAtomically(folder / "Exports" / "notes.txt", "text");
    EXPECT_EQ(modeOf(folder / "Exports"), 0777u & ~GetParam());
    EXPECT_EQ(modeOf(folder / "Exports" / "notes.txt"), 0666u & ~GetParam());
}

INSTANTIATE_TEST_SUITE_P(Umasks, WithUmask, testing::Values(mode_t(022), mode_t(077)),
                         [](const auto& info) {
                             return "umask0" + std::to_string(info.param / 8) +
                                    std::to_string(info.param % 8);
                         });

// A library with one item.
class LibraryHousekeeping : public testing::Test {
protected:
    LibraryHousekeeping() { store.addRecording(item); }

    test::TemporaryFolder folder;
    fs::path root = folder / "Library";
    LibraryStore store{root};
    LibraryItem item = test::sampleItem("item", 1);
};

TEST_F(LibraryHousekeeping, StartTightensAnOlderLibraryButNotWhatLinksPointTo) {
    LibraryGroupStore(store).createGroup("Group", std::chrono::system_clock::now());
    writeText(store.audioFileURL(item), "audio");
    writeText(folder / "outside.txt", "not ours");
    fs::create_symlink(folder / "outside.txt", store.itemFolderURL(item.id) / "link");
    // As an earlier build left it.
    for (const auto& path : {root, store.itemFolderURL(item.id)}) {
        ::chmod(path.c_str(), 0755);
    }
    for (const auto& path : {root / "groups.json", store.itemFolderURL(item.id) / "item.json",
                             store.audioFileURL(item), folder / "outside.txt"}) {
        ::chmod(path.c_str(), 0644);
    }

    LibraryHousekeeper(store).recoverInterruptedRecordings(std::nullopt);
    EXPECT_EQ(modeOf(root), 0700u);
    EXPECT_EQ(modeOf(store.itemFolderURL(item.id)), 0700u);
    for (const auto& path : {root / "groups.json", store.itemFolderURL(item.id) / "item.json",
                             store.audioFileURL(item)}) {
        EXPECT_EQ(modeOf(path), 0600u) << path;
    }
    EXPECT_EQ(modeOf(folder / "outside.txt"), 0644u);
}

TEST_F(LibraryHousekeeping, StartSweepsTheTemporaryFilesOfKilledWriters) {
    fs::path itemFolder = store.itemFolderURL(item.id);
    auto twoHoursAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);

    struct Case {
        fs::path file;
        bool old;
        bool swept;
    };
    const std::vector<Case> cases{
        // Item, group and transcript files are only written under the lock, so any such file
        // is left over.
        {root / ".groups.json.tmp-0123456789abcdef", false, true},
        {itemFolder / ".item.json.tmp-fedcba9876543210", false, true},
        {itemFolder / ".transcript.json.tmp-00000000000000cc", false, true},
        // Another file may be being written by another process right now, unless it is old.
        {itemFolder / ".audio.m4a.tmp-00000000000000aa", false, false},
        {itemFolder / ".audio.m4a.tmp-00000000000000bb", true, true},
        // Not the writer's names.
        {itemFolder / ".item.json.tmp-short", true, false},
        {itemFolder / "notes.json.tmp-0123456789abcdef", true, false},
    };
    for (const auto& c : cases) {
        writeText(c.file, "partial");
        if (c.old) {
            fs::last_write_time(c.file, twoHoursAgo);
        }
    }
    LibraryHousekeeper(store).recoverInterruptedRecordings(std::nullopt);
    for (const auto& c : cases) {
        EXPECT_EQ(fs::exists(c.file), !c.swept) << c.file;
    }
    EXPECT_EQ(store.item(item.id), item);
}

TEST(AtomicWriteTarget, NamesTheFileATemporaryWasMeantToReplace) {
    struct Case {
        std::string name;
        std::optional<std::string> target;
    };
    for (const auto& c : std::vector<Case>{
             {".item.json.tmp-0123456789abcdef", "item.json"},
             {".audio.m4a.tmp-ffffffffffffffff", "audio.m4a"},
             {".x.tmp-0123456789abcdef", "x"},
             {".item.json.tmp-0123456789ABCDEF", std::nullopt},
             {".item.json.tmp-0123456789abcde", std::nullopt},
             {"item.json.tmp-0123456789abcdef", std::nullopt},
             {".item.json-0123456789abcdef", std::nullopt},
             {".tmp-0123456789abcdef", std::nullopt},
         }) {
        EXPECT_EQ(atomicWriteTarget(c.name), c.target) << c.name;
    }
}

} // namespace
} // namespace bw
