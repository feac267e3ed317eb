// The changes the user makes to the library's recordings and groups: renaming, moving and
// deleting recordings, and creating, renaming and deleting groups. Each goes through the store
// and is followed by the model's fresh read, so the model shows what is on disk. Failures
// become an alert in the model's AlertCentre, except those of createGroup and renameGroup,
// which are thrown. Calling a change of a read-only model is a programming error.
//
// Belongs to its LibraryModel (LibraryModel::changes()); main thread only.
#pragma once

#include "library/library_group.h"
#include "library/library_item.h"

#include <optional>
#include <string>
#include <vector>

namespace bw {

class AlertCentre;
class LibraryModel;

class LibraryChanges {
public:
    LibraryChanges(LibraryModel& model, AlertCentre& alerts) : m_model(model), m_alerts(alerts) {}

    // Does nothing for the recording in progress.
    void deleteItem(const Uuid& id);
    // Whether the recording took the title.
    bool rename(const Uuid& id, const std::string& title);
    void move(const std::vector<Uuid>& itemIDs, const std::optional<Uuid>& group);
    // Creates the group and moves `moving` into it.
    LibraryGroup createGroup(const std::string& name, const std::vector<Uuid>& moving);
    void renameGroup(const Uuid& id, const std::string& name);
    void deleteGroup(const Uuid& id);

private:
    void raise(std::string title, std::string message);

    LibraryModel& m_model;
    AlertCentre& m_alerts;
};

} // namespace bw
