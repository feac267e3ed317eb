#include "platform/file_lock.h"

#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bw {
namespace {

// Runs `child` in a forked process and returns its exit status.
template <typename Child> int inChildProcess(Child child) {
    pid_t pid = fork();
    if (pid == 0) {
        _exit(child());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FileLockTest, HolderExcludesOtherProcessesUntilReleased) {
    test::TemporaryFolder folder;
    auto file = folder / ".lock";
    EXPECT_FALSE(FileLock::isHeld(file));
    EXPECT_FALSE(std::filesystem::exists(file)) << "asking must not create the lock file";

    std::optional<FileLock> held = FileLock::exclusive(file);
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    EXPECT_EQ(inChildProcess([&] { return FileLock::tryExclusive(file) ? 1 : 0; }), 0);
    EXPECT_EQ(inChildProcess([&] { return FileLock::isHeld(file) ? 0 : 1; }), 0);

    FileLock moved = std::move(*held);
    held.reset(); // a moved-from lock releases nothing
    EXPECT_EQ(inChildProcess([&] { return FileLock::tryExclusive(file) ? 1 : 0; }), 0);
    { FileLock released = std::move(moved); }
    EXPECT_EQ(inChildProcess([&] { return FileLock::tryExclusive(file) ? 0 : 1; }), 0);
}

TEST(FileLockTest, DeadHolderReleasesTheLock) {
    test::TemporaryFolder folder;
    auto file = folder / ".lock";
    pid_t pid = fork();
    if (pid == 0) {
        static std::optional<FileLock> lock = FileLock::exclusive(file);
        pause();
        _exit(0);
    }
    while (!FileLock::isHeld(file)) {
        usleep(1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_FALSE(FileLock::isHeld(file));
    EXPECT_TRUE(FileLock::tryExclusive(file).has_value());
}

TEST(FileLockTest, UnopenableLockFileThrows) {
    EXPECT_THROW(FileLock::exclusive("/nonexistent-folder/.lock"), std::exception);
}

} // namespace
} // namespace bw
