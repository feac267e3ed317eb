// Turns Ctrl-C (SIGINT) and SIGTERM into a stop request for the work of a command or the
// window; a second signal ends the process at once, for work that is slow to reach its next
// check. The signals are taken on a watcher thread of its own, where stopping may run any
// code; a signal that reaches another thread is passed on to the watcher by a handler that
// does nothing else (and keeps errno). Create it before any other thread starts.
#pragma once

#include <atomic>
#include <csignal>
#include <stop_token>
#include <thread>

namespace bw {

class SignalCancellation {
public:
    enum class Mask {
        // The signals stay blocked in the creating thread and in every thread it starts, so
        // that no work is interrupted: for the commands, which start no other programs.
        blockedEverywhere,
        // Only the watcher blocks them; a signal that reaches another thread is passed on to
        // it. For the window, whose children (a browser, a file manager) must not inherit
        // blocked signals.
        blockedInWatcherOnly,
    };

    explicit SignalCancellation(Mask mask = Mask::blockedEverywhere);
    // Stops watching and restores the signal mask; a signal that arrived meanwhile stays
    // pending and then acts as usual.
    ~SignalCancellation();
    SignalCancellation(const SignalCancellation&) = delete;
    SignalCancellation& operator=(const SignalCancellation&) = delete;

    std::stop_token token() const { return m_stop.get_token(); }
    bool cancelled() const { return m_stop.stop_requested(); }

private:
    std::stop_source m_stop;
    sigset_t m_previousMask;
    struct sigaction m_previousInterrupt {};
    struct sigaction m_previousTerminate {};
    std::atomic<bool> m_finished{false};
    std::thread m_watcher;
};

} // namespace bw
