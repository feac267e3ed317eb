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
