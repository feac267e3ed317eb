// Turns Ctrl-C (SIGINT) and SIGTERM into a stop request for the work of one command; a second
// signal ends the process at once, for work that is slow to reach its next check.
// Create it before any other thread starts, so every thread inherits the blocked signals and
// only its own watcher thread receives them; a signal that reaches a thread started earlier
// is passed on to the watcher.
#pragma once

#include <atomic>
#include <csignal>
#include <stop_token>
#include <thread>

namespace bw::cli {

class SignalCancellation {
public:
    SignalCancellation();
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

} // namespace bw::cli
