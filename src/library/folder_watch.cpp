#include "library/folder_watch.h"

namespace bw {

FolderWatch::FolderWatch(std::chrono::milliseconds delay, QObject* parent)
    : QObject(parent), m_delay(this) {
    m_delay.setSingleShot(true);
    m_delay.setInterval(delay);
    connect(&m_delay, &QTimer::timeout, this, &FolderWatch::changed);
    if (m_events.fileDescriptor() < 0) {
        return; // no watching: the model shows what it read until it reads again
    }
    m_readable =
        std::make_unique<QSocketNotifier>(m_events.fileDescriptor(), QSocketNotifier::Read);
    // The delay starts with the first change and is not pushed back by later ones, so that a
    // folder that keeps changing is still reported every `delay`.
    connect(m_readable.get(), &QSocketNotifier::activated, this, [this] {
        if (m_events.drain() && !m_delay.isActive()) {
            m_delay.start();
        }
    });
}

void FolderWatch::watch(const std::vector<std::filesystem::path>& folders) {
    m_events.watch(folders);
}

} // namespace bw
