// The kernel's notice (inotify) that entries of some folders changed: a file was created,
// removed, renamed or renamed over (as every atomic write does). It tells only that something
// happened; callers re-read what they show. Cheap enough for one watch per library item.
//
// Not thread-safe: use it from one thread, and wait for fileDescriptor() to become readable
// with that thread's event loop. When the kernel refuses a watch (its limits are reached), the
// folders concerned are simply not watched.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace bw {

class FolderEvents {
public:
    FolderEvents();
    ~FolderEvents();
    FolderEvents(const FolderEvents&) = delete;
    FolderEvents& operator=(const FolderEvents&) = delete;

    // Readable when events are pending; -1 when the kernel gave no inotify instance.
    int fileDescriptor() const { return m_fd; }

    // Watches exactly these folders from now on; those that do not exist (or are not folders)
    // are left out.
    void watch(const std::vector<std::filesystem::path>& folders);

    // Reads every pending event; returns whether there was any change to report.
    bool drain();

    // The folders whose entries changed in the events drained since the last call; none when
    // the kernel dropped events (its queue overflowed), so that any folder may have changed.
    std::optional<std::set<std::filesystem::path>> takeChangedFolders();

private:
    int m_fd = -1;
    std::map<std::filesystem::path, int> m_watches;
    std::unordered_map<int, std::filesystem::path> m_folders; // by watch descriptor
    std::set<std::filesystem::path> m_changed;
    bool m_overflowed = false;
};

} // namespace bw
