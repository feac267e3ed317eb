#include "library/folder_watch.h"

#include <utility>

namespace bw {

FolderWatch::FolderWatch(std::chrono::milliseconds delay, QObject* parent)
    : QObject(parent), m_delay(this) {
    m_delay.setSingleShot(true);
    m_delay.setInterval(delay);
    connect(&m_delay, &QTimer::timeout, this, &FolderWatch::report);
    if (m_events.fileDescriptor() < 0) {
        return; // no watching: the model shows what it read until it reads again
    }
    m_readable =
        std::make_unique<QSocketNotifier>(m_events.fileDescriptor(), QSocketNotifier::Read);
    // The delay starts with the first change and is not pushed back by later ones, so that a
    // folder that keeps changing is still reported every `delay`.
    connect(m_readable.get(), &QSocketNotifier::activated, this, [this] {
        if (!m_events.drain()) {
            return;
        }
        auto folders = m_events.takeChangedFolders();
        if (!folders) {
            m_pending.reset();
        } else if (m_pending) {
            m_pending->merge(*folders);
        }
        if (!m_delay.isActive()) {
            m_delay.start();
        }
    });
}

void FolderWatch::report() {
    m_reported = std::exchange(m_pending, std::set<std::filesystem::path>());
    emit changed();
}

void FolderWatch::watch(const std::vector<std::filesystem::path>& folders) {
    m_events.watch(folders);
}

} // namespace bw
