#include "base/json_decoding_error.h"
#include "library/library_error.h"
#include "library/library_group_store.h"
#include "library/library_housekeeper.h"
#include "library/library_importer.h"
#include "library/library_json.h"
#include "library/library_store.h"
#include "library/library_test_support.h"
#include "platform/atomic_file.h"
#include "platform/file_error.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace bw {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::writeText;

using Kind = LibraryError::Kind;

std::chrono::system_clock::time_point at(std::int64_t seconds, int milliseconds = 0) {
    return std::chrono::system_clock::time_point(std::chrono::seconds(seconds) +
                                                 std::chrono::milliseconds(milliseconds));
}

template <typename Body> void expectLibraryError(Kind kind, Body body) {
    try {
        body();
        ADD_FAILURE() << "no error thrown";
    } catch (const LibraryError& error) {
        EXPECT_EQ(error.kind(), kind) << error.what();
    }
}

// Names of the root's entries that are item folders (UUID names).
std::vector<std::string> itemFolders(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root)) {
        if (Uuid::parse(entry.path().filename().string())) {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

class LibraryStoreTest : public testing::Test {
protected:
    test::TemporaryFolder folder;
    fs::path root = folder / "Library";
    LibraryStore store{root};

    LibraryItem add(const std::string& title, std::int64_t createdAt,
                    std::optional<Uuid> group = std::nullopt) {
        auto item = test::sampleItem(title, createdAt, group);
        store.addRecording(item);
        return item;
    }
};

TEST_F(LibraryStoreTest, MissingOrEmptyRootListsNothing) {
    EXPECT_TRUE(store.loadItems().empty());
    fs::create_directories(root);
    EXPECT_TRUE(store.loadItems().empty());
    EXPECT_TRUE(LibraryGroupStore(store).loadGroups().empty());
}

TEST_F(LibraryStoreTest, ListingSkipsWhatIsNotAReadableItem) {
    auto older = add("older", 100);
    auto newer = add("newer", 200);
    fs::create_directories(root / "notes");
    writeText(root / ".DS_Store", "x");
    auto hidden = test::sampleItem("hidden", 300);
    fs::create_directories(root / ("." + hidden.id.string()));
    writeText(root / ("." + hidden.id.string()) / "item.json", "{}");
    std::string withoutFile = Uuid::random().string();
    fs::create_directories(root / withoutFile);
    std::string paused = Uuid::random().string();
    auto pausedJson = toJson(test::sampleItem("paused", 400));
    pausedJson["state"] = "paused";
    test::writeItemFile(root, paused, pausedJson.dump());
    auto future = test::sampleItem("future", 150);
    test::writeItemFile(root, future.id.string(), toJson(future).dump(), 7);
    std::string truncated = Uuid::random().string();
    fs::create_directories(root / truncated);
    writeText(root / truncated / "item.json", "{\"version\": 1, \"item\": {\"id\"");

    auto items = store.loadItems();
    std::vector<std::string> titles;
    for (const auto& item : items) {
        titles.push_back(item.title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"newer", "future", "older"}));
    EXPECT_EQ(items.front(), newer);
    EXPECT_EQ(items.back(), older);

    expectLibraryError(Kind::itemNotFound, [&] { store.item(*Uuid::parse(withoutFile)); });
    EXPECT_THROW(store.item(*Uuid::parse(paused)), JsonDecodingError);
    EXPECT_EQ(store.item(future.id), future);
}

TEST_F(LibraryStoreTest, ItemFileIsSortedPrettyJsonInAVersionEnvelope) {
    auto item = add("Call", 1741338902);
    std::string text = readText(root / item.id.string() / "item.json");
    EXPECT_LT(text.find("\"item\""), text.find("\"version\": 1"));
    EXPECT_LT(text.find("\"audioFileName\""), text.find("\"title\""));
    EXPECT_NE(text.find("\"createdAt\": \"2025-03-07T09:15:02Z\""), std::string::npos);
    EXPECT_EQ(text.find("groupID"), std::string::npos);
}

struct BrokenGroups {
    const char* name;
    std::string contents; // empty: "groups.json" is a folder
};

class UnreadableGroups : public LibraryStoreTest,
                         public testing::WithParamInterface<BrokenGroups> {};

TEST_P(UnreadableGroups, LoadingAndCreatingThrowUnreadableGroups) {
    fs::create_directories(root);
    if (GetParam().contents.empty()) {
        fs::create_directories(root / "groups.json");
    } else {
        writeText(root / "groups.json", GetParam().contents);
    }
    expectLibraryError(Kind::unreadableGroups, [&] { LibraryGroupStore(store).loadGroups(); });
    expectLibraryError(Kind::unreadableGroups,
                       [&] { LibraryGroupStore(store).createGroup("New", at(0)); });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnreadableGroups,
    testing::Values(BrokenGroups{"onlyBrace", "{"},
                    BrokenGroups{"version2", R"({"version": 2, "groups": []})"},
                    BrokenGroups{"missingVersion", R"({"groups": []})"},
                    BrokenGroups{
                        "groupWithoutName",
                        R"({"version": 1, "groups": [{"id": "0A1B2C3D-0000-4000-8000-00000000000A",
                         "createdAt": "2025-03-07T09:15:02Z"}]})"},
                    BrokenGroups{"folder", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LibraryStoreTest, GroupNamesAreTrimmedAndUniqueIgnoringCase) {
    auto team = LibraryGroupStore(store).createGroup("  Team  ", at(100, 900));
    EXPECT_EQ(team.name, "Team");
    EXPECT_EQ(team.createdAt.time_since_epoch().count(), 100);
    expectLibraryError(Kind::duplicateGroupName,
                       [&] { LibraryGroupStore(store).createGroup("TEAM", at(101)); });
    expectLibraryError(Kind::emptyGroupName,
                       [&] { LibraryGroupStore(store).createGroup(" \n\t ", at(101)); });
    EXPECT_EQ(LibraryGroupStore(store).renameGroup(team.id, "team").name, "team");
    auto other = LibraryGroupStore(store).createGroup("Téam", at(102));
    expectLibraryError(Kind::duplicateGroupName,
                       [&] { LibraryGroupStore(store).renameGroup(other.id, "TEAM"); });
    expectLibraryError(Kind::groupNotFound,
                       [&] { LibraryGroupStore(store).renameGroup(Uuid::random(), "X"); });

    auto groups = LibraryGroupStore(store).loadGroups();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, "team");
    EXPECT_EQ(groups[1].name, "Téam");
    std::string text = readText(root / "groups.json");
    EXPECT_LT(text.find("\"groups\""), text.find("\"version\": 1"));
}

TEST_F(LibraryStoreTest, DeletingAGroupUnfilesItsRecordings) {
    auto group = LibraryGroupStore(store).createGroup("Calls", at(0));
    auto kept = LibraryGroupStore(store).createGroup("Kept", at(0));
    auto filed = add("filed", 1, group.id);
    auto elsewhere = add("elsewhere", 2, kept.id);
    LibraryGroupStore(store).deleteGroup(group.id);
    EXPECT_EQ(LibraryGroupStore(store).loadGroups(), std::vector<LibraryGroup>{kept});
    EXPECT_FALSE(store.item(filed.id).groupID);
    EXPECT_EQ(readText(root / filed.id.string() / "item.json").find("groupID"), std::string::npos);
    EXPECT_EQ(store.item(elsewhere.id).groupID, kept.id);
    expectLibraryError(Kind::groupNotFound,
                       [&] { LibraryGroupStore(store).deleteGroup(group.id); });
}

TEST_F(LibraryStoreTest, MovingChecksEveryItemBeforeWritingAny) {
    auto group = LibraryGroupStore(store).createGroup("Calls", at(0));
    auto first = add("first", 1);
    auto third = add("third", 3);
    std::string before = readText(root / first.id.string() / "item.json");
    expectLibraryError(Kind::itemNotFound, [&] {
        store.move({first.id, Uuid::random(), third.id}, group.id);
    });
    EXPECT_EQ(readText(root / first.id.string() / "item.json"), before);
    expectLibraryError(Kind::groupNotFound, [&] { store.move({first.id}, Uuid::random()); });

    auto moved = store.move({third.id, first.id}, group.id);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved[0].id, third.id);
    EXPECT_EQ(store.item(first.id).groupID, group.id);
    store.move({first.id}, std::nullopt);
    EXPECT_FALSE(store.item(first.id).groupID);
}

TEST_F(LibraryStoreTest, RenamingTrimsAndRejectsEmptyTitles) {
    auto item = add("Old", 1);
    EXPECT_EQ(store.rename(item.id, "\n  New title \u00a0\u3000").title, "New title");
    EXPECT_EQ(store.item(item.id).title, "New title");
    expectLibraryError(Kind::emptyTitle, [&] { store.rename(item.id, "   "); });
    expectLibraryError(Kind::itemNotFound, [&] { store.rename(Uuid::random(), "X"); });
    EXPECT_EQ(store.item(item.id).title, "New title");
}

TEST_F(LibraryStoreTest, DeletingRemovesTheWholeFolder) {
    auto item = add("Doomed", 1);
    writeText(store.audioFileURL(item), "audio");
    writeText(store.itemFolderURL(item.id) / "transcript.json", "{}");
    store.deleteItem(item.id);
    EXPECT_TRUE(itemFolders(root).empty());
    // Only the library's lock file stays.
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::exists(root / ".lock"));
    expectLibraryError(Kind::itemNotFound, [&] { store.deleteItem(item.id); });
}

// While a recording is being written (its recording lock held, here as by another
// process), its folder stays; once the recording ends it can go.
TEST_F(LibraryStoreTest, ARecordingInProgressIsNotDeleted) {
    auto item = test::sampleItem("Live", 1);
    std::optional<FileLock> recording = store.addRecording(item);
    writeText(store.audioFileURL(item), "audio");
    expectLibraryError(Kind::recordingInProgress, [&] { store.deleteItem(item.id); });
    EXPECT_EQ(readText(store.audioFileURL(item)), "audio");
    recording.reset();
    store.deleteItem(item.id);
    EXPECT_TRUE(itemFolders(root).empty());
}

// Two new items with one identifier: the second never writes into the first one's folder.
TEST_F(LibraryStoreTest, ANewRecordingWhoseFolderExistsIsRefused) {
    auto first = add("First", 1);
    writeText(store.audioFileURL(first), "first audio");
    auto second = test::sampleItem("Second", 2);
    second.id = first.id;
    expectLibraryError(Kind::itemExists, [&] { store.addRecording(second); });
    EXPECT_EQ(store.item(first.id), first);
    EXPECT_EQ(readText(store.audioFileURL(first)), "first audio");
}

TEST_F(LibraryStoreTest, SettingAsideUsesTheTimeAndNeverOverwrites) {
    fs::create_directories(root);
    writeText(root / "groups.json", "{");
    // 2025-03-07 09:15:02 UTC
    auto target = LibraryGroupStore(store).setAsideUnreadableGroups(at(1741338902, 700));
    EXPECT_EQ(target, root / "groups-unreadable-2025-03-07T091502Z.json");
    EXPECT_EQ(readText(target), "{");
    EXPECT_FALSE(fs::exists(root / "groups.json"));

    writeText(root / "groups.json", "second");
    EXPECT_THROW(LibraryGroupStore(store).setAsideUnreadableGroups(at(1741338902)), FileError);
    EXPECT_EQ(readText(target), "{");
    EXPECT_EQ(readText(root / "groups.json"), "second");
}

struct ImportCase {
    const char* name;
    std::string fileName;
    std::string expectedTitle;
    std::string expectedAudio;
};

class ImportTitles : public LibraryStoreTest, public testing::WithParamInterface<ImportCase> {};

TEST_P(ImportTitles, CopiesTheFileUnderItsLowerCasedExtension) {
    fs::path source = folder / GetParam().fileName;
    test::writeWav(folder / "tone.wav", 1.5);
    if (source.extension() == ".wav") {
        fs::copy_file(folder / "tone.wav", source);
    } else {
        std::string command = "ffmpeg -loglevel error -y -i '" + (folder / "tone.wav").string() +
                              "' -f " + (source.extension() == ".mp3" ? "mp3" : "ipod") + " '" +
                              source.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    auto group = Uuid::random();
    auto item = LibraryImporter(store).importAudio(source, group, at(5000, 999));
    EXPECT_EQ(item.title, GetParam().expectedTitle);
    EXPECT_EQ(item.audioFileName, GetParam().expectedAudio);
    EXPECT_EQ(item.origin, LibraryItem::Origin::imported);
    EXPECT_EQ(item.state, LibraryItem::State::complete);
    EXPECT_EQ(item.createdAt.time_since_epoch().count(), 5000);
    EXPECT_EQ(item.groupID, group);       // not checked against the group list
    EXPECT_NEAR(item.duration, 1.5, 0.1); // mp3 adds encoder padding
    EXPECT_EQ(readText(store.audioFileURL(item)), readText(source));
    EXPECT_EQ(store.loadItems(), std::vector<LibraryItem>{item});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportTitles,
    testing::Values(ImportCase{"upperCaseM4a", "Voice Memo.M4A", "Voice Memo", "audio.m4a"},
                    ImportCase{"mp3", "clip.mp3", "clip", "audio.mp3"},
                    ImportCase{"blankName", "   .wav", "Untitled", "audio.wav"},
                    ImportCase{"untrimmedTitle", " spaced .wav", " spaced ", "audio.wav"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LibraryStoreTest, RejectedImportsLeaveNothingBehind) {
    writeText(folder / "clip.AIFF", "FORM");
    try {
        LibraryImporter(store).importAudio(folder / "clip.AIFF", std::nullopt, at(0));
        ADD_FAILURE();
    } catch (const LibraryError& error) {
        EXPECT_EQ(error, LibraryError(Kind::unsupportedFileType, "AIFF"));
    }
    writeText(folder / "empty.wav", "");
    expectLibraryError(Kind::unreadableAudio, [&] {
        LibraryImporter(store).importAudio(folder / "empty.wav", std::nullopt, at(0));
    });
    test::writeWav(folder / "silent.wav", 0);
    expectLibraryError(Kind::unreadableAudio, [&] {
        LibraryImporter(store).importAudio(folder / "silent.wav", std::nullopt, at(0));
    });
    expectLibraryError(Kind::unreadableAudio, [&] {
        LibraryImporter(store).importAudio(folder / "missing.mp3", std::nullopt, at(0));
    });
    // A pipe is refused at once instead of waiting for a writer without end.
    ASSERT_EQ(::mkfifo((folder / "pipe.wav").c_str(), 0600), 0);
    expectLibraryError(Kind::unreadableAudio, [&] {
        LibraryImporter(store).importAudio(folder / "pipe.wav", std::nullopt, at(0));
    });
    EXPECT_FALSE(fs::exists(root));
}

TEST_F(LibraryStoreTest, ImportFailingHalfWayRemovesItsFolder) {
    test::writeWav(folder / "tone.wav", 1);
    fs::create_directories(root);
    {
        test::FailingFileWrites failing;
        EXPECT_THROW(LibraryImporter(store).importAudio(folder / "tone.wav", std::nullopt, at(0)),
                     FileError);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 0);
    EXPECT_TRUE(store.loadItems().empty());
}

TEST_F(LibraryStoreTest, FolderCreationFailuresAreThrown) {
    writeText(folder / "file", "not a folder");
    LibraryStore blocked(folder / "file" / "Library");
    test::writeWav(folder / "tone.wav", 1);
    EXPECT_THROW(LibraryImporter(blocked).importAudio(folder / "tone.wav", std::nullopt, at(0)),
                 FileError);
    EXPECT_THROW(blocked.addRecording(test::sampleItem("x", 0)), FileError);
    EXPECT_THROW(LibraryGroupStore(blocked).createGroup("x", at(0)), FileError);
    EXPECT_TRUE(blocked.loadItems().empty());
}

TEST_F(LibraryStoreTest, FailedWritesKeepThePreviousFiles) {
    auto group = LibraryGroupStore(store).createGroup("Calls", at(0));
    auto item = add("Old", 1);
    std::string itemBefore = readText(root / item.id.string() / "item.json");
    std::string groupsBefore = readText(root / "groups.json");
    {
        test::FailingFileWrites failing;
        EXPECT_THROW(store.rename(item.id, "New"), FileError);
        EXPECT_THROW(LibraryGroupStore(store).createGroup("Other", at(0)), FileError);
        EXPECT_THROW(LibraryGroupStore(store).renameGroup(group.id, "Renamed"), FileError);
        EXPECT_THROW(store.move({item.id}, group.id), FileError);
    }
    EXPECT_EQ(readText(root / item.id.string() / "item.json"), itemBefore);
    EXPECT_EQ(readText(root / "groups.json"), groupsBefore);
    // No temporary files are left behind either.
    for (const auto& entry : fs::directory_iterator(root / item.id.string())) {
        EXPECT_FALSE(atomicWriteTarget(entry.path().filename().string())) << entry.path();
    }
}

TEST_F(LibraryStoreTest, ReadOnlyItemFolderRefusesChanges) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "running as root, where folder permissions do not stop writes; "
                        "FailedWritesKeepThePreviousFiles covers the failure path";
    }
    auto item = add("Old", 1);
    fs::permissions(root / item.id.string(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(store.rename(item.id, "New"), FileError);
    fs::permissions(root / item.id.string(), fs::perms::owner_all);
    EXPECT_EQ(store.item(item.id).title, "Old");
}

TEST_F(LibraryStoreTest, RecoveryMarksUnfinishedRecordingsInterrupted) {
    auto withAudio = test::sampleItem("with audio", 1);
    withAudio.state = LibraryItem::State::recording;
    withAudio.duration = 0;
    withAudio.audioFileName = "audio.wav";
    store.addRecording(withAudio);
    test::writeWav(store.audioFileURL(withAudio), 1.5);
    auto withoutAudio = withAudio;
    withoutAudio.id = Uuid::random();
    store.addRecording(withoutAudio);
    auto active = withAudio;
    active.id = Uuid::random();
    store.addRecording(active);
    auto complete = add("complete", 2);
    fs::create_directories(root / ".deleted-leftover" / "inner");
    auto staleImport = root / (".importing-" + Uuid::random().string());
    auto runningImport = root / (".importing-" + Uuid::random().string());
    fs::create_directories(staleImport);
    fs::create_directories(runningImport);
    test::writeText(staleImport / ".audio.wav.tmp-1", "partial");
    auto twoHoursAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);
    fs::last_write_time(staleImport / ".audio.wav.tmp-1", twoHoursAgo);
    fs::last_write_time(staleImport, twoHoursAgo);

    auto recovered = LibraryHousekeeper(store).recoverInterruptedRecordings(active.id);
    EXPECT_EQ(recovered.size(), 2u);
    auto first = store.item(withAudio.id);
    EXPECT_EQ(first.state, LibraryItem::State::interrupted);
    EXPECT_NEAR(first.duration, 1.5, 0.01);
    auto second = store.item(withoutAudio.id);
    EXPECT_EQ(second.state, LibraryItem::State::interrupted);
    EXPECT_EQ(second.duration, 0);
    EXPECT_EQ(store.item(active.id).state, LibraryItem::State::recording);
    EXPECT_EQ(store.item(complete.id), complete);
    EXPECT_FALSE(fs::exists(root / ".deleted-leftover"));
    EXPECT_FALSE(fs::exists(staleImport));
    EXPECT_TRUE(fs::exists(runningImport)); // may belong to an import in another process
}

TEST_F(LibraryStoreTest, SaveNeedsAnExistingItemFolder) {
    EXPECT_THROW(store.save(test::sampleItem("x", 0)), FileError);
}

} // namespace
} // namespace bw

namespace bw {
namespace {

class LibraryStoreInputTest : public LibraryStoreTest {};

TEST_F(LibraryStoreInputTest, NamesThatAreNotUtf8AreKeptWithReplacementCharacters) {
    test::writeWav(folder / "caf\xE9.wav", 0.5);
    auto imported =
        LibraryImporter(store).importAudio(folder / "caf\xE9.wav", std::nullopt, at(10));
    EXPECT_EQ(imported.title, "caf\uFFFD");
    auto group = LibraryGroupStore(store).createGroup("\xC9quipe", at(11));
    EXPECT_EQ(group.name, "\uFFFDquipe");
    EXPECT_EQ(LibraryGroupStore(store)
                  .renameGroup(group.id, "Gr\xFC\xDF"
                                         "e")
                  .name,
              "Gr\uFFFD\uFFFDe");
    EXPECT_EQ(store.rename(imported.id, "na\xEFve").title, "na\uFFFDve");
    EXPECT_EQ(LibraryGroupStore(store).loadGroups().at(0).name, "Gr\uFFFD\uFFFDe");
    EXPECT_EQ(store.item(imported.id).title, "na\uFFFDve");
    expectLibraryError(Kind::unsupportedFileType, [&] {
        writeText(folder / "x.\xE9", "");
        LibraryImporter(store).importAudio(folder / "x.\xE9", std::nullopt, at(12));
    });
}

TEST_F(LibraryStoreInputTest, LowerCaseItemFoldersAreListedAndChanged) {
    auto item = test::sampleItem("lower", 1);
    std::string lower = item.id.string();
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    test::writeItemFile(root, lower, toJson(item).dump());
    auto twin = test::sampleItem("upper twin", 2);
    twin.id = item.id;
    test::writeItemFile(root, item.id.string(), toJson(twin).dump());
    // Of two folders for one identifier the upper-case one counts.
    EXPECT_EQ(store.loadItems(), std::vector<LibraryItem>{twin});
    fs::remove_all(root / item.id.string());

    EXPECT_EQ(store.loadItems(), std::vector<LibraryItem>{item});
    EXPECT_EQ(store.itemFolderURL(item.id), root / lower);
    EXPECT_EQ(store.rename(item.id, "renamed").title, "renamed");
    EXPECT_EQ(store.item(item.id).title, "renamed");
    store.deleteItem(item.id);
    EXPECT_TRUE(store.loadItems().empty());
}

TEST_F(LibraryStoreInputTest, AudioFileNamesReachingOutsideTheFolderMakeTheItemDamaged) {
    for (const std::string name :
         {"/etc/passwd", "../other/audio.caf", "sub/audio.caf", "..", "audio..caf", ""}) {
        auto item = test::sampleItem("outside", 1);
        auto json = toJson(item);
        json["audioFileName"] = name;
        test::writeItemFile(root, item.id.string(), json.dump());
        EXPECT_TRUE(store.loadItems().empty()) << name;
        EXPECT_THROW(store.item(item.id), JsonDecodingError) << name;
        fs::remove_all(root / item.id.string());
    }
    auto plain = add("plain", 2);
    EXPECT_EQ(store.loadItems(), std::vector<LibraryItem>{plain});
}

} // namespace
} // namespace bw
