#include "library/library_test_support.h"
#include "platform/atomic_file.h"
#include "platform/bundle_info.h"
#include "platform/file_error.h"
#include "platform/json_user_defaults.h"
#include "platform/library_location.h"
#include "support/scoped_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace bw {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::writeText;

size_t entryCount(const fs::path& folder) {
    return size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(AtomicFile, ReplacesWholeFilesAndLeavesNoTemporaries) {
    test::TemporaryFolder folder;
    writeFileAtomically(folder / "a.json", "first");
    writeFileAtomically(folder / "a.json", "second, longer");
    EXPECT_EQ(readText(folder / "a.json"), "second, longer");
    writeText(folder / "source", std::string(300000, 'x'));
    copyFileAtomically(folder / "source", folder / "copy");
    EXPECT_EQ(readText(folder / "copy"), readText(folder / "source"));
    EXPECT_EQ(entryCount(folder.path()), 3u);
}

TEST(AtomicFile, FailuresKeepTheTargetAndCleanUp) {
    test::TemporaryFolder folder;
    writeText(folder / "a.json", "old");
    {
        test::FailingFileWrites failing;
        EXPECT_THROW(writeFileAtomically(folder / "a.json", "new"), FileError);
        EXPECT_THROW(copyFileAtomically(folder / "a.json", folder / "b.json"), FileError);
    }
    EXPECT_EQ(readText(folder / "a.json"), "old");
    EXPECT_EQ(entryCount(folder.path()), 1u);
    EXPECT_THROW(writeFileAtomically(folder / "missing" / "a.json", "x"), FileError);
    EXPECT_THROW(copyFileAtomically(folder / "missing.wav", folder / "c"), FileError);
    try {
        writeFileAtomically(folder / "missing" / "a.json", "x");
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "“a.json” couldn't be saved: No such file or directory");
    }
}

TEST(AtomicFile, RenamingNeverReplaces) {
    test::TemporaryFolder folder;
    writeText(folder / "from", "from");
    writeText(folder / "to", "to");
    EXPECT_THROW(renameWithoutReplacing(folder / "from", folder / "to"), FileError);
    EXPECT_EQ(readText(folder / "to"), "to");
    renameWithoutReplacing(folder / "from", folder / "new");
    EXPECT_EQ(readText(folder / "new"), "from");
    EXPECT_FALSE(fs::exists(folder / "from"));
}

// Where the file system lacks RENAME_NOREPLACE: files and folders move, and nothing that is
// there already is replaced.
TEST(AtomicFile, MovesFilesAndFoldersWithoutReplacingWithoutTheKernelsFlag) {
    test::TemporaryFolder folder;
    fs::create_directories(folder / "item" / "inner");
    writeText(folder / "item" / "audio.caf", "audio");
    writeText(folder / "file", "file");
    fs::create_directories(folder / "taken");
    writeText(folder / "taken" / "mine", "mine");
    fs::create_directories(folder / "empty");
    for (const char* taken : {"file", "taken", "empty"}) {
        EXPECT_THROW(renameWithoutReplacingPortably(folder / "item", folder / taken), FileError)
            << taken;
        EXPECT_EQ(readText(folder / "item" / "audio.caf"), "audio");
    }
    EXPECT_EQ(readText(folder / "taken" / "mine"), "mine");
    EXPECT_EQ(readText(folder / "file"), "file");
    renameWithoutReplacingPortably(folder / "item", folder / ".doomed");
    EXPECT_EQ(readText(folder / ".doomed" / "audio.caf"), "audio");
    EXPECT_TRUE(fs::is_directory(folder / ".doomed" / "inner"));
    EXPECT_FALSE(fs::exists(folder / "item"));
    EXPECT_THROW(renameWithoutReplacingPortably(folder / "file", folder / "empty"), FileError);
    renameWithoutReplacingPortably(folder / "file", folder / "moved");
    EXPECT_EQ(readText(folder / "moved"), "file");
    EXPECT_FALSE(fs::exists(folder / "file"));
}

TEST(AtomicFile, CreatesNestedFoldersOrExplainsWhy) {
    test::TemporaryFolder folder;
    createDirectoriesDurably(folder / "a" / "b" / "c");
    EXPECT_TRUE(fs::is_directory(folder / "a" / "b" / "c"));
    createDirectoriesDurably(folder / "a" / "b" / "c"); // already there
    writeText(folder / "file", "");
    EXPECT_THROW(createDirectoriesDurably(folder / "file" / "sub"), FileError);
}

using Environment = test::ScopedEnvironment;

TEST(LibraryLocation, FollowsXdgDataHome) {
    test::TemporaryFolder folder;
    {
        Environment data("XDG_DATA_HOME", (folder / "data").string());
        EXPECT_EQ(defaultLibraryRoot(), folder / "data" / "Brindlewick" / "Library");
        EXPECT_TRUE(fs::is_directory(folder / "data" / "Brindlewick" / "Library"));
    }
    {
        Environment relative("XDG_DATA_HOME", "relative/path");
        Environment home("HOME", (folder / "home").string());
        EXPECT_EQ(defaultLibraryRoot(), folder / "home" / ".local/share/Brindlewick/Library");
    }
    writeText(folder / "blocked", "");
    Environment blocked("XDG_DATA_HOME", (folder / "blocked").string());
    EXPECT_THROW(defaultLibraryRoot(), FileError);
    EXPECT_EQ(temporaryLibraryRoot().filename(), "Library");
}

TEST(JsonUserDefaults, KeepsOtherKeysAndSurvivesDamage) {
    test::TemporaryFolder folder;
    fs::path file = folder / "config" / "Brindlewick" / "settings.json";
    JsonUserDefaults defaults(file);
    EXPECT_FALSE(defaults.string("library.sidebarSelection"));
    defaults.setString("library.sidebarSelection", "all");
    JsonUserDefaults other(file);
    other.setString("recording.inputDeviceUID", "mic");
    EXPECT_EQ(defaults.string("library.sidebarSelection"), "all");
    EXPECT_EQ(defaults.string("recording.inputDeviceUID"), "mic");

    writeText(file, "{ damaged");
    EXPECT_FALSE(defaults.string("library.sidebarSelection"));
    defaults.setString("library.sidebarSelection", "notFiled");
    EXPECT_EQ(JsonUserDefaults(file).string("library.sidebarSelection"), "notFiled");
    {
        test::FailingFileWrites failing; // kept for this process when it cannot be written
        defaults.setString("library.sidebarSelection", "all");
        EXPECT_EQ(defaults.string("library.sidebarSelection"), "all");
    }
    Environment config("XDG_CONFIG_HOME", (folder / "xdg").string());
    EXPECT_EQ(JsonUserDefaults::defaultFile(), folder / "xdg" / "Brindlewick" / "settings.json");
}

TEST(BundleInfo, ReadsInfoJsonFromTheResourcesFolder) {
    Environment resources("BRINDLEWICK_RESOURCES", BW_SOURCE_DIR "/resources");
    EXPECT_EQ(BundleInfo::resourcesDirectory(), fs::path(BW_SOURCE_DIR "/resources"));
    EXPECT_EQ(BundleInfo::supportEmail(), "support@brindlewick.app");
    EXPECT_EQ(BundleInfo::value("BWWebsiteHost"), "brindlewick.app");
    EXPECT_FALSE(BundleInfo::value("NoSuchKey"));
}

} // namespace
} // namespace bw
