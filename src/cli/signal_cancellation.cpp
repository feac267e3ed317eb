#include "cli/signal_cancellation.h"

#include <pthread.h>

namespace bw::cli {

namespace {

sigset_t cancellingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

} // namespace

SignalCancellation::SignalCancellation() {
    sigset_t signals = cancellingSignals();
    pthread_sigmask(SIG_BLOCK, &signals, &m_previousMask);
    // The signals are taken synchronously on this thread, where stopping may run any code,
    // instead of in a handler, where almost nothing is allowed.
    m_watcher = std::thread([this, signals] {
        for (;;) {
            int received = 0;
            if (sigwait(&signals, &received) != 0) {
                continue;
            }
            if (m_finished.load()) {
                return;
            }
            if (m_stop.stop_requested()) {
                // A second signal while the work winds down: end the process at once, as the
                // signal would have without this watcher.
                std::signal(received, SIG_DFL);
                sigset_t only;
                sigemptyset(&only);
                sigaddset(&only, received);
                pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
                std::raise(received);
            }
            m_stop.request_stop();
        }
    });
}

SignalCancellation::~SignalCancellation() {
    m_finished.store(true);
    pthread_kill(m_watcher.native_handle(), SIGTERM);
    m_watcher.join();
    pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
}

} // namespace bw::cli
