#include "cli/quit_on_signal.h"

#include <QMetaObject>

namespace bw::cli {

QuitOnSignal::QuitOnSignal(const SignalCancellation& cancellation, QuitRoutine routine)
    : m_routine(routine),
      // The signal arrives on the watcher's thread; the models belong to the main thread.
      m_onSignal(cancellation.token(), [this] {
          QMetaObject::invokeMethod(
              &m_mainThread, [this] { m_routine.run(); }, Qt::QueuedConnection);
      }) {}

} // namespace bw::cli
