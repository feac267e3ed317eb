#include "platform/json_user_defaults.h"

#include "library/library_test_support.h"
#include "platform/file_reading.h"
#include "support/scoped_environment.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bw {
namespace {

namespace fs = std::filesystem;

struct DamagedCase {
    const char* name;
    std::string content;
};

std::string nested(int levels) {
    return std::string(std::size_t(levels), '[') + std::string(std::size_t(levels), ']');
}

class DamagedSettings : public testing::TestWithParam<DamagedCase> {};

// A damaged file reads as no settings, and the next write keeps it, set aside, instead of
// dropping what it held.
TEST_P(DamagedSettings, ReadAsNoneAndAreSetAsideByTheNextWrite) {
    test::TemporaryFolder folder;
    fs::path file = folder / "Brindlewick" / "settings.json";
    fs::create_directories(file.parent_path());
    test::writeText(file, GetParam().content);
    JsonUserDefaults defaults(file);
    EXPECT_EQ(defaults.string("library.sidebarSelection"), std::nullopt);
    defaults.setString("library.sidebarSelection", "all");
    EXPECT_EQ(JsonUserDefaults(file).string("library.sidebarSelection"), "all");
    ASSERT_TRUE(defaults.setAsideFile());
    EXPECT_EQ(defaults.setAsideFile()->parent_path(), file.parent_path());
    EXPECT_TRUE(defaults.setAsideFile()->filename().string().starts_with("settings-unreadable-"));
    EXPECT_EQ(readFile(*defaults.setAsideFile()), GetParam().content);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedSettings,
    testing::Values(DamagedCase{"Nested100000Levels", "{\"a\": " + nested(100'000) + "}"},
                    DamagedCase{"Truncated", R"({"recording.inputDeviceUID": "mic", "libr)"},
                    DamagedCase{"NotAnObject", R"(["recording.inputDeviceUID", "mic"])"},
                    DamagedCase{"Empty", ""}),
    [](const auto& info) { return info.param.name; });

TEST(JsonUserDefaultsFile, IsPrivateKeepsOtherValuesAndIsNotRewrittenForNoChange) {
    test::TemporaryFolder folder;
    fs::path file = folder / "Brindlewick" / "settings.json";
    fs::create_directories(file.parent_path());
    test::writeText(file, R"({"window": {"width": 900}, "library.sidebarSelection": "all"})");
    JsonUserDefaults defaults(file);
    auto inode = [&] {
        struct stat info {};
        ::stat(file.c_str(), &info);
        return info.st_ino;
    };
    auto before = inode();
    defaults.setString("library.sidebarSelection", "all");
    EXPECT_EQ(inode(), before); // the same value: the file was left alone
    defaults.setString("library.sidebarSelection", "notFiled");
    EXPECT_NE(inode(), before);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(readFile(file).find("\"width\": 900"), std::string::npos);
    EXPECT_FALSE(defaults.setAsideFile());
}

// Two processes each set their own key over and over: neither ever loses its key to the
// other's write.
TEST(JsonUserDefaultsFile, TwoProcessesSettingDifferentKeysKeepBoth) {
    // In memory where there is such a file system: 2,000 flushes to a disk shared with other
    // work take long and test nothing more.
    std::error_code error;
    test::ScopedEnvironment memory(
        "TMPDIR", fs::is_directory("/dev/shm", error) ? "/dev/shm" : fs::temp_directory_path());
    test::TemporaryFolder folder;
    fs::path file = folder / "Brindlewick" / "settings.json";
    constexpr int writes = 1000;
    std::vector<pid_t> children;
    for (const char* key : {"first", "second"}) {
        pid_t child = ::fork();
        if (child == 0) {
            JsonUserDefaults defaults(file);
            int lost = 0;
            for (int i = 0; i < writes; ++i) {
                defaults.setString(key, std::to_string(i));
                lost += JsonUserDefaults(file).string(key) != std::to_string(i);
            }
            ::_exit(lost > 0 ? 1 : 0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a process lost its key";
    }
    JsonUserDefaults defaults(file);
    EXPECT_EQ(defaults.string("first"), std::to_string(writes - 1));
    EXPECT_EQ(defaults.string("second"), std::to_string(writes - 1));
}

} // namespace
} // namespace bw
