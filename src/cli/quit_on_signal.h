// Ends a command as the application ends when it quits: when Ctrl-C or SIGTERM arrives, the
// quit routine over the command's models runs on the main thread (through its event loop), so
// a recording is finished, playback stops, edits are saved and a transcription is cancelled
// with nothing half-written. The command runs the routine once more as it returns (run()),
// which does nothing new after a signal.
#pragma once

#include "app/quit_routine.h"
#include "platform/signal_cancellation.h"

#include <QObject>

#include <functional>
#include <stop_token>

namespace bw::cli {

class QuitOnSignal {
public:
    // Create on the main thread, after `cancellation` and the models; a signal that already
    // arrived runs the routine once the event loop runs.
    QuitOnSignal(const SignalCancellation& cancellation, QuitRoutine routine);
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

    // Runs the routine now, on the calling (main) thread.
    void run() const { m_routine.run(); }

private:
    QuitRoutine m_routine;
    QObject m_mainThread; // where the routine runs; a destroyed one drops a late request
    std::stop_callback<std::function<void()>> m_onSignal;
};

} // namespace bw::cli
