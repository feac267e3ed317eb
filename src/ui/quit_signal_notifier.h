// Ends the event loop cleanly on SIGINT and SIGTERM, through the same signal watcher the
// commands use (SignalCancellation): the watcher thread takes the signal and the given
// function runs on the main thread, so quitting runs the usual clean-up (a recording in
// progress is finished) instead of the process dying mid-write. A second signal ends the
// process at once, as for the commands.
#pragma once

#include "platform/signal_cancellation.h"

#include <QObject>

#include <functional>
#include <stop_token>

namespace bw::ui {

class QuitSignalNotifier : public QObject {
    Q_OBJECT

public:
    // `watcher` must outlive this object; create it before any other thread starts.
    QuitSignalNotifier(const SignalCancellation& watcher, std::function<void()> quit,
                       QObject* parent = nullptr);

private:
    std::function<void()> m_quit;
    std::stop_callback<std::function<void()>> m_onSignal;
};

} // namespace bw::ui
