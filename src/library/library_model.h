// The observable, in-memory face of the library for the interface and the commands: items and
// groups as last read from disk, the recording being written, and every change to them.
//
// Lives on the main thread. Every change goes through the store and is followed by a fresh
// read, so the model shows what is on disk. A read-only model (for commands that only show the
// library) changes nothing on disk: no recovery, no housekeeping, no setting aside of a damaged
// group list, which it reports as an alert; calling a change on it is a programming error. Failures
// become an alert in the shared AlertCentre, except those of beginRecording, which are thrown.
// The user's own changes of recordings and groups are LibraryChanges' (changes()). Each
// observable field has a change signal; activeRecordingID signals only real changes. Where the user
// is in the library is LibraryNavigation's.
//
// Other processes (the command line beside the window) may change the same library: the model
// watches the library folder and every item folder and, shortly after a change, re-reads the
// items and groups, signalling only what really changed.
#pragma once

#include "library/alert_centre.h"
#include "library/folder_watch.h"
#include "library/library_changes.h"
#include "library/library_filter.h"
#include "library/library_store.h"

#include <QObject>

#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace bw {

class LibraryModel : public QObject {
    Q_OBJECT

public:
    using TimePoint = std::chrono::system_clock::time_point;
    enum class Access { readWrite, readOnly };

    // Whether the model watches the library for other processes' changes. A short command
    // that reads once and exits has no use for the watch, which costs a moment per thousand
    // items to set up.
    enum class OutsideChanges { watched, ignored };

    // Recovers interrupted recordings (read-write only) and loads items and groups. `alerts` is
    // not owned and must outlive the model.
    LibraryModel(LibraryStore store, AlertCentre& alerts, Access access = Access::readWrite,
                 OutsideChanges outsideChanges = OutsideChanges::watched,
                 QObject* parent = nullptr);

    const LibraryStore& store() const { return m_store; }
    // Renaming, moving and deleting recordings and groups.
    LibraryChanges& changes() { return m_changes; }
    const std::vector<LibraryItem>& items() const { return m_items; }
    const std::vector<LibraryGroup>& groups() const { return m_groups; }
    const std::optional<Uuid>& activeRecordingID() const { return m_activeRecordingID; }

    void setActiveRecordingID(const std::optional<Uuid>& id);
    // Shows `items` as the library's, signalling as a re-read does (without reading the disk).
    void setItems(std::vector<LibraryItem> items);

    std::vector<LibraryItem> itemsIn(const LibraryFilter& filter) const;
    std::optional<LibraryItem> item(const Uuid& id) const;
    std::optional<LibraryGroup> group(const Uuid& id) const;

    // A recording just added to the library, with the lock that keeps it from being taken for
    // an interrupted one while it records.
    struct NewRecording {
        LibraryItem item;
        FileLock lock;
    };
    // Adds the recording in `group` and makes it the recording in progress; with
    // `systemAudioFileName` it has a second track of that name. Throws the store's error;
    // nothing changes then.
    NewRecording beginRecording(const std::string& title, TimePoint now,
                                const std::optional<Uuid>& group,
                                const std::optional<std::string>& systemAudioFileName = {});
    // Marks the recording complete with its duration and the second track's alignment;
    // without `keepsSystemAudio` its second track is removed (it never heard anything).
    void finishRecording(const Uuid& id, double duration,
                         const std::optional<TrackAlignment>& alignment = {},
                         bool keepsSystemAudio = true);

    // Re-reads items and groups from disk, as the watch does after a change by another
    // process. A group list that cannot be read now leaves the groups as they were shown.
    void refreshFromDisk();
    // Re-reads the items after a change made through the store.
    void reloadItems();

    // While itemFoldersChanged() is emitted: the recordings whose folders the watch saw change
    // (their item file, transcript or audio, written by this process or another), or none when
    // it lost track and any of them may have changed.
    const std::optional<std::set<Uuid>>& changedItemFolders() const { return m_changedItemFolders; }

signals:
    void itemsChanged();
    void groupsChanged();
    void activeRecordingIDChanged();
    // After the watch's re-read, for what it saw change inside item folders.
    void itemFoldersChanged();

private:
    friend class LibraryChanges;

    void requireWritable() const;
    void loadGroups();
    void watchLibraryFolders();
    void outsideChange();
    void raise(std::string title, std::string message);

    LibraryStore m_store;
    AlertCentre& m_alerts;
    Access m_access;
    std::vector<LibraryItem> m_items;
    std::vector<LibraryGroup> m_groups;
    std::optional<Uuid> m_activeRecordingID;
    std::unique_ptr<FolderWatch> m_watch; // null when outside changes are ignored
    std::optional<std::set<Uuid>> m_changedItemFolders;
    LibraryChanges m_changes;
};

} // namespace bw
