#include "cli/atomic_file.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace bw::cli {
namespace {

size_t entries(const std::filesystem::path& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(AtomicFile, WritesAndReplacesWithoutLeavingTemporaryFiles) {
    test::TemporaryFolder folder;
    auto target = folder / "transcript.json";
    writeFileAtomically(target, "first");
    EXPECT_EQ(test::readFile(target), "first");
    writeFileAtomically(target, std::string(100000, 'x'));
    EXPECT_EQ(test::readFile(target).size(), 100000u);
    EXPECT_EQ(entries(folder.path()), 1u);
    auto permissions = std::filesystem::status(target).permissions();
    EXPECT_NE(permissions & std::filesystem::perms::owner_read, std::filesystem::perms::none);
    EXPECT_NE(permissions & std::filesystem::perms::others_read, std::filesystem::perms::none);
}

TEST(AtomicFile, FailuresNameTheFileAndChangeNothing) {
    test::TemporaryFolder folder;
    auto missingFolder = folder / "missing" / "out.txt";
    EXPECT_THROW(requireWritableFolder(missingFolder), FileWriteError);
    try {
        writeFileAtomically(missingFolder, "text");
        FAIL() << "wrote into a missing folder";
    } catch (const FileWriteError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "The file could not be written: " + missingFolder.string() +
                      ": No such file or directory");
    }
    // A folder where the file should go is not replaced.
    std::filesystem::create_directory(folder / "taken");
    EXPECT_THROW(requireWritableFolder(folder / "taken"), FileWriteError);
    EXPECT_THROW(writeFileAtomically(folder / "taken", "text"), FileWriteError);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken"));
    EXPECT_EQ(entries(folder.path()), 1u);
    EXPECT_NO_THROW(requireWritableFolder(folder / "new.txt"));
}

} // namespace
} // namespace bw::cli
