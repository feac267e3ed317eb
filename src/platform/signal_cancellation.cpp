#include "platform/signal_cancellation.h"

#include <pthread.h>

#include <cerrno>

namespace bw {

namespace {

// Threads a library started before main() blocked the signals (OpenBLAS starts its workers
// when it loads) can still receive them; this handler passes such a signal on to the watcher,
// where it stays pending until sigwait takes it.
pthread_t watcherThread;

extern "C" void forwardToWatcher(int signal) {
    int savedErrno = errno;
    pthread_kill(watcherThread, signal);
    errno = savedErrno;
}

sigset_t cancellingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

} // namespace

SignalCancellation::SignalCancellation(Mask mask) {
    sigset_t signals = cancellingSignals();
    // Blocked at least until the watcher has started, which inherits the mask: a signal
    // forwarded to a watcher that does not block it would come back to it without end.
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
    watcherThread = m_watcher.native_handle();
    struct sigaction forward {};
    forward.sa_handler = forwardToWatcher;
    forward.sa_flags = SA_RESTART;
    sigemptyset(&forward.sa_mask);
    sigaction(SIGINT, &forward, &m_previousInterrupt);
    sigaction(SIGTERM, &forward, &m_previousTerminate);
    if (mask == Mask::blockedInWatcherOnly) {
        pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
    }
}

SignalCancellation::~SignalCancellation() {
    sigaction(SIGINT, &m_previousInterrupt, nullptr);
    sigaction(SIGTERM, &m_previousTerminate, nullptr);
    m_finished.store(true);
    pthread_kill(m_watcher.native_handle(), SIGTERM);
    m_watcher.join();
    pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
}

} // namespace bw
