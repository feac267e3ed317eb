// Notices changes to the entries of a few folders, such as another process replacing a file
// in them, and reports them coalesced: one changed() signal for a burst of changes, at most
// `delay` after the first. Files that are written by renaming a temporary file over them (as
// every file of the library is) are seen through their folder, which outlives the file.
//
// Lives on the thread that created it (the main thread); the signal is emitted there.
#pragma once

#include "platform/folder_events.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

namespace bw {

class FolderWatch : public QObject {
    Q_OBJECT

public:
    explicit FolderWatch(std::chrono::milliseconds delay, QObject* parent = nullptr);

    // Watches exactly these folders from now on; folders that do not exist are left out (call
    // again once they do).
    void watch(const std::vector<std::filesystem::path>& folders);

signals:
    void changed();

private:
    FolderEvents m_events;
    std::unique_ptr<QSocketNotifier> m_readable;
    QTimer m_delay;
};

} // namespace bw
