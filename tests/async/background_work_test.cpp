#include "async/background_work.h"

#include "support/core_application.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace bw {
namespace {

using namespace std::chrono_literals;

struct Owner : QObject {
    BackgroundWork work{this};
    std::vector<int> received;
};

TEST(BackgroundWorkTest, DeliversPostsInOrderOnTheOwnersThread) {
    test::coreApplication();
    Owner owner;
    std::thread::id deliveredOn;
    owner.work.start([&](std::stop_token, const BackgroundWork::Post& post) {
        for (int i = 0; i < 100; ++i) {
            post([&owner, i, &deliveredOn] {
                owner.received.push_back(i);
                deliveredOn = std::this_thread::get_id();
            });
        }
    });
    ASSERT_TRUE(test::waitUntil([&] { return owner.received.size() == 100; }));
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(owner.received[std::size_t(i)], i);
    }
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
}

TEST(BackgroundWorkTest, DropsPostsOfASupersededOrAbandonedRun) {
    test::coreApplication();
    Owner owner;
    owner.work.start([&](std::stop_token, const BackgroundWork::Post& post) {
        post([&owner] { owner.received.push_back(1); });
    });
    // Restarting before the first run's post is delivered makes it stale.
    owner.work.start([&](std::stop_token, const BackgroundWork::Post& post) {
        post([&owner] { owner.received.push_back(2); });
    });
    ASSERT_TRUE(test::waitUntil([&] { return !owner.received.empty(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.received, std::vector<int>{2});

    owner.work.start([&](std::stop_token, const BackgroundWork::Post& post) {
        post([&owner] { owner.received.push_back(3); });
    });
    owner.work.join();
    owner.work.abandon();
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.received, std::vector<int>{2});
}

TEST(BackgroundWorkTest, DestroyingTheOwnerStopsTheWorkAndDropsItsPosts) {
    test::coreApplication();
    auto delivered = std::make_shared<std::atomic<int>>(0);
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    {
        Owner owner;
        owner.work.start([=](std::stop_token stop, const BackgroundWork::Post& post) {
            post([delivered] { ++*delivered; });
            while (!stop.stop_requested()) {
                std::this_thread::sleep_for(1ms);
            }
            *stopped = true;
            post([delivered] { ++*delivered; });
        });
    } // the destructor waits for the work, which sees the stop request
    EXPECT_TRUE(*stopped);
    QCoreApplication::processEvents();
    EXPECT_EQ(*delivered, 0);
}

} // namespace
} // namespace bw
