// The library's group list on disk, "groups.json" at the root of a LibraryStore's folder. Every
// change reads, changes and writes the list back under the library's lock (see LibraryStore);
// nothing is kept in memory.
//
// Failures: LibraryError for the group list's own conditions, FileError for the file system.
// A value type; safe to use from several threads.
#pragma once

#include "library/library_group.h"
#include "library/library_store.h"

#include <filesystem>
#include <string>
#include <vector>

namespace bw {

class LibraryGroupStore {
public:
    using TimePoint = LibraryStore::TimePoint;

    explicit LibraryGroupStore(LibraryStore store) : m_store(std::move(store)) {}

    // In the group order; empty when "groups.json" does not exist yet. Throws
    // unreadableGroups when it cannot be read or decoded or has another version.
    std::vector<LibraryGroup> loadGroups() const;
    // Moves "groups.json" to "groups-unreadable-<time>.json" and returns the new path.
    std::filesystem::path setAsideUnreadableGroups(TimePoint now) const;
    LibraryGroup createGroup(const std::string& name, TimePoint now) const;
    LibraryGroup renameGroup(const Uuid& id, const std::string& name) const;
    // Also un-files the group's items.
    void deleteGroup(const Uuid& id) const;

private:
    std::filesystem::path groupsURL() const;
    // Expects the caller to hold the library's lock.
    void saveGroups(std::vector<LibraryGroup> groups) const;

    LibraryStore m_store;
};

} // namespace bw
