#include "ui/quit_signal_notifier.h"

#include <QMetaObject>

namespace bw::ui {

QuitSignalNotifier::QuitSignalNotifier(const SignalCancellation& watcher,
                                       std::function<void()> quit, QObject* parent)
    : QObject(parent), m_quit(std::move(quit)),
      // The signal arrives on the watcher's thread; quitting belongs to the main thread.
      m_onSignal(watcher.token(), std::function<void()>([this] {
                     QMetaObject::invokeMethod(
                         this, [this] { m_quit(); }, Qt::QueuedConnection);
                 })) {}

} // namespace bw::ui
