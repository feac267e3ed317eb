// Start-up care of a LibraryStore's folder: what crashed or killed processes left behind is
// swept away, recordings cut off are marked interrupted, and everything is kept private to the
// user. Every step holds the library's lock (see LibraryStore). Never fails: what cannot be
// tidied now is left for the next start. A value type; safe to use from several threads.
#pragma once

#include "library/library_item.h"
#include "library/library_store.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace bw {

class LibraryHousekeeper {
public:
    explicit LibraryHousekeeper(LibraryStore store) : m_store(std::move(store)) {}

    // Start-up housekeeping first (see tidyUp), then marks recordings left in state
    // `recording` (except `exceptID` and those whose recording lock is held by a live process)
    // as interrupted with the length of their audio; returns those it could save.
    std::vector<LibraryItem>
    recoverInterruptedRecordings(const std::optional<Uuid>& exceptID) const;
    // The same over a listing just made by loadItems(), which saves reading the library twice.
    std::vector<LibraryItem> recoverInterruptedRecordings(const std::optional<Uuid>& exceptID,
                                                          std::vector<LibraryItem> listed) const;

    // Removes what a crash or a killed process left behind (the hidden folders of deletes
    // and of imports idle for an hour, the atomic writer's temporary files) and makes the
    // root, every item folder and file in them private to the user.
    void tidyUp() const;

private:
    void tidyItemFolder(const std::filesystem::path& folder) const;

    LibraryStore m_store;
};

} // namespace bw
