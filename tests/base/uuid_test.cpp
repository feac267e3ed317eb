#include "base/uuid.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace bw
