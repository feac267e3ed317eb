#include "platform/signal_cancellation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include <csignal>
#include <pthread.h>

namespace bw {
namespace {

// A signal that lands on a thread started before the watcher (as a library's workers are)
// still stops the work, and that thread's errno is as it was.
TEST(SignalCancellation, ASignalOnAnEarlierThreadStopsTheWorkAndKeepsItsErrno) {
    std::atomic<bool> started = false;
    std::atomic<bool> signalled = false;
    std::atomic<bool> seen = false;
    std::atomic<int> errnoAfter = 0;
    std::thread earlier([&] {
        started = true;
        while (!signalled) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        errno = 4242;
        // Busy while the signal comes: no call of ours touches errno meanwhile.
        while (!seen) {
        }
        errnoAfter = errno;
    });
    while (!started) {
        std::this_thread::yield();
    }
    {
        SignalCancellation cancellation;
        signalled = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pthread_kill(earlier.native_handle(), SIGTERM);
        for (int i = 0; i < 500 && !cancellation.cancelled(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(cancellation.cancelled());
        seen = true;
        earlier.join();
    }
    EXPECT_EQ(errnoAfter, 4242);
}

// For the window: the creating thread keeps the signals unblocked (programs it starts inherit
// its mask), and a signal reaching it is still taken by the watcher.
TEST(SignalCancellation, InTheWatcherOnlyTheCallersMaskIsLeftAsItWas) {
    SignalCancellation cancellation(SignalCancellation::Mask::blockedInWatcherOnly);
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_FALSE(sigismember(&mask, SIGINT));
    EXPECT_FALSE(sigismember(&mask, SIGTERM));
    errno = 4242;
    pthread_kill(pthread_self(), SIGINT);
    EXPECT_EQ(errno, 4242);
    for (int i = 0; i < 500 && !cancellation.cancelled(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(cancellation.cancelled());
}

} // namespace
} // namespace bw
