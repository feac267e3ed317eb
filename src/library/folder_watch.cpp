#include "library/folder_watch.h"

#include <QFile>
#include <QSet>
#include <QString>

namespace bw {

FolderWatch::FolderWatch(std::chrono::milliseconds delay, QObject* parent)
    : QObject(parent), m_watcher(this), m_delay(this) {
    m_delay.setSingleShot(true);
    m_delay.setInterval(delay);
    connect(&m_delay, &QTimer::timeout, this, &FolderWatch::changed);
    // Started by the first change and not pushed back by later ones, so that a folder that
    // keeps changing is still reported every `delay`.
    auto noticed = [this] {
        if (!m_delay.isActive()) {
            m_delay.start();
        }
    };
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, noticed);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, noticed);
}

void FolderWatch::watch(const std::vector<std::filesystem::path>& folders) {
    QSet<QString> wanted;
    for (const auto& folder : folders) {
        std::error_code ignored;
        if (std::filesystem::is_directory(folder, ignored)) {
            wanted.insert(QFile::decodeName(folder.c_str()));
        }
    }
    QStringList gone;
    for (const QString& watched : m_watcher.directories()) {
        if (!wanted.remove(watched)) {
            gone.append(watched);
        }
    }
    if (!gone.isEmpty()) {
        m_watcher.removePaths(gone);
    }
    if (!wanted.isEmpty()) {
        m_watcher.addPaths(wanted.values());
    }
}

} // namespace bw
