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
#include <optional>
#include <set>
#include <vector>

namespace bw {

class FolderWatch : public QObject {
    Q_OBJECT

public:
    explicit FolderWatch(std::chrono::milliseconds delay, QObject* parent = nullptr);

    // Watches exactly these folders from now on; folders that do not exist are left out (call
    // again once they do).
    void watch(const std::vector<std::filesystem::path>& folders);

    // While changed() is emitted: the folders whose entries changed since the previous report,
    // or none when the kernel lost track (any folder may have changed).
    const std::optional<std::set<std::filesystem::path>>& changedFolders() const {
        return m_reported;
    }

signals:
    void changed();

private:
    void report();

    FolderEvents m_events;
    std::optional<std::set<std::filesystem::path>> m_pending{std::in_place};
    std::optional<std::set<std::filesystem::path>> m_reported{std::in_place};
    std::unique_ptr<QSocketNotifier> m_readable;
    QTimer m_delay;
};

} // namespace bw
