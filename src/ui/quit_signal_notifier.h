// Ends the event loop cleanly on SIGINT and SIGTERM: the handler only writes a byte to a pipe,
// and the main thread reads it and calls the given function, so quitting runs the usual
// clean-up (a recording in progress is finished) instead of the process dying mid-write.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace bw::ui {

class QuitSignalNotifier : public QObject {
    Q_OBJECT

public:
    // One notifier per process at a time; the previous handlers return when it goes.
    explicit QuitSignalNotifier(std::function<void()> quit, QObject* parent = nullptr);
    ~QuitSignalNotifier() override;

private:
    std::function<void()> m_quit;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace bw::ui
