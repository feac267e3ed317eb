#include "base/uuid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace bw {
namespace {

TEST(Uuid, ParsesEitherCaseAndPrintsUpperCase) {
    auto id = Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->string(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    for (const char* bad : {"E621E1F8C36C-495A-93FC-0C247A3E6E5F-", "notes",
                            "E621E1F8-C36C-495A-93FC-0C247A3E6E5G", ".DS_Store"}) {
        EXPECT_FALSE(Uuid::parse(bad)) << bad;
    }
    auto random = Uuid::random();
    EXPECT_EQ(random.string()[14], '4');
    EXPECT_NE(random, Uuid::random());
}

// Processes forked from one that already made identifiers (as every command's workers and the
// test harness are) still make different ones.
TEST(Uuid, ForkedProcessesMakeDifferentIdentifiers) {
    Uuid::random();
    int pipes[2];
    ASSERT_EQ(::pipe(pipes), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < 2; ++i) {
        pid_t child = ::fork();
        if (child == 0) {
            auto text = Uuid::random().string();
            [[maybe_unused]] auto written = ::write(pipes[1], text.data(), text.size());
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        ::waitpid(child, nullptr, 0);
    }
    char text[72];
    ASSERT_EQ(::read(pipes[0], text, sizeof text), 72);
    ::close(pipes[0]);
    ::close(pipes[1]);
    EXPECT_NE(std::string(text, 36), std::string(text + 36, 36));
}

} // namespace
} // namespace bw
