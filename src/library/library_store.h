// The library's recordings on disk: one folder per recording (named by its UUID, holding
// "item.json", the audio and the transcript). The group list is LibraryGroupStore's, imports are
// LibraryImporter's and start-up recovery is LibraryHousekeeper's, all over the same folder and
// its lock. The store keeps nothing in memory; every call reads or writes the files, which are the
// single source of truth. Every file is written through the atomic, durable write helper, private
// to the user.
//
// Several processes may use one library at once. Each change (read, change, write back) holds
// the library's lock, a flock on ".lock" at the root, for that moment only, so changes from
// different processes and threads never overwrite one another. Reading takes no lock: every
// file is replaced whole, so a reader sees the old or the new version.
//
// Failures: LibraryError for the library's own conditions, JsonDecodingError for a damaged
// item file, FileError for the file system. A value type; safe to use from several threads.
#pragma once

#include "library/library_item.h"
#include "platform/file_lock.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bw {

class LibraryStore {
public:
    using TimePoint = std::chrono::system_clock::time_point;

    explicit LibraryStore(std::filesystem::path rootURL) : m_rootURL(std::move(rootURL)) {}

    // The standard location, created if missing. Throws FileError.
    static std::filesystem::path defaultRootURL();

    const std::filesystem::path& rootURL() const { return m_rootURL; }
    // The item's folder: named by the upper-case identifier, or the lower-case one when only
    // that exists.
    std::filesystem::path itemFolderURL(const Uuid& id) const;
    std::filesystem::path audioFileURL(const LibraryItem& item) const;
    // The lock a recording in progress holds for as long as it records (FileLock).
    std::filesystem::path recordingLockURL(const Uuid& id) const;

    // Every readable item, newest first. Never fails: unreadable entries are skipped.
    std::vector<LibraryItem> loadItems() const;
    // The item files loadItems() left out of `listed` because they cannot be read or decoded
    // (a folder without one is a recording being created, and is not among them). Never fails.
    std::vector<std::filesystem::path>
    unreadableItemFiles(const std::vector<LibraryItem>& listed) const;
    // Throws itemNotFound when the item file is missing, else the reading error.
    LibraryItem item(const Uuid& id) const;
    // Writes the item file into its existing folder.
    void save(const LibraryItem& item) const;
    // Reads the item, lets `change` change it and writes it back, all under the lock; returns
    // the saved item. Throws what item() and save() throw, and what `change` throws (then
    // nothing is written).
    LibraryItem update(const Uuid& id, const std::function<void(LibraryItem&)>& change) const;
    // Creates the folder of a new recording (and the root if needed), takes its recording lock
    // and only then saves it, all under the library's lock: no other process's start-up
    // recovery ever finds the new recording without its lock. Returns the recording lock, which
    // the recorder holds for as long as it records. The folder keeps a little disk space in
    // reserve until the item is finished, so that a disk the audio filled still takes the
    // finished item file. Throws itemExists when the item's folder
    // is there already (writing into another recording's folder would mix the two).
    FileLock addRecording(const LibraryItem& item) const;

    // `group` absent means "No Group". Checks every item exists before writing any.
    std::vector<LibraryItem> move(const std::vector<Uuid>& itemIDs,
                                  const std::optional<Uuid>& group) const;
    // Removes the item's folder with its audio and transcript. Throws recordingInProgress
    // while a process records it (holds its recording lock).
    void deleteItem(const Uuid& id) const;
    LibraryItem rename(const Uuid& id, const std::string& title) const;
    // Holds the library's lock while the result lives, for whoever writes other files of an
    // item folder (the transcript, the checkpoint of its transcription), so that their writes
    // never cross a change of the item by another process. Nothing when the item's folder is
    // missing, before or under the lock (checked first, since locking creates a missing root).
    // Throws FileError.
    std::optional<FileLock> lockItemFolder(const Uuid& id) const;

private:
    // The other types over the same folder share its lock and its way of writing item files.
    friend class LibraryGroupStore;
    friend class LibraryHousekeeper;
    friend class LibraryImporter;

    // Creates the root when missing and holds the library's lock while the result lives.
    FileLock lock() const;
    // The following expect the caller to hold the lock.
    void writeItemFile(const std::filesystem::path& folder, const LibraryItem& item) const;
    void reserveSpace(const std::filesystem::path& folder) const;

    std::filesystem::path m_rootURL;
};

} // namespace bw
