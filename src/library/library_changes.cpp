#include "library/library_changes.h"

#include "library/alert_centre.h"
#include "library/copy.h"
#include "library/library_error.h"
#include "library/library_group_store.h"
#include "library/library_model.h"
#include "library/support_texts.h"

#include <chrono>

namespace bw {

void LibraryChanges::deleteItem(const Uuid& id) {
    m_model.requireWritable();
    if (id == m_model.activeRecordingID()) {
        return;
    }
    try {
        m_model.store().deleteItem(id);
    } catch (const std::exception& error) {
        raise("The recording couldn't be deleted",
              isLibraryError(error, LibraryError::Kind::recordingInProgress)
                  ? "It is still being recorded. Stop the recording, then delete it."
                  : Copy::deleteFailed(error));
    }
    m_model.reloadItems();
}

bool LibraryChanges::rename(const Uuid& id, const std::string& title) {
    m_model.requireWritable();
    try {
        m_model.store().rename(id, title);
    } catch (const std::exception& error) {
        if (isLibraryError(error, LibraryError::Kind::emptyTitle)) {
            raise("Something went wrong",
                  "The title can't be empty. The recording keeps its previous title.");
        } else {
            raise("The recording couldn't be renamed",
                  "It keeps its previous title. Try again. " + supportSentence() + detail(error));
        }
        return false;
    }
    m_model.reloadItems();
    return true;
}

void LibraryChanges::move(const std::vector<Uuid>& itemIDs, const std::optional<Uuid>& group) {
    m_model.requireWritable();
    try {
        m_model.store().move(itemIDs, group);
    } catch (const std::exception& error) {
        raise("The recordings couldn't be moved",
              "They stay where they were. Try again. " + supportSentence() + detail(error));
    }
    m_model.reloadItems();
}

LibraryGroup LibraryChanges::createGroup(const std::string& name, const std::vector<Uuid>& moving) {
    m_model.requireWritable();
    auto created =
        LibraryGroupStore(m_model.store()).createGroup(name, std::chrono::system_clock::now());
    m_model.loadGroups();
    if (!moving.empty()) {
        move(moving, created.id);
    }
    return created;
}

void LibraryChanges::renameGroup(const Uuid& id, const std::string& name) {
    m_model.requireWritable();
    LibraryGroupStore(m_model.store()).renameGroup(id, name);
    m_model.loadGroups();
}

void LibraryChanges::deleteGroup(const Uuid& id) {
    m_model.requireWritable();
    try {
        LibraryGroupStore(m_model.store()).deleteGroup(id);
    } catch (const std::exception& error) {
        raise("The group couldn't be deleted",
              "Its recordings are unchanged. Try again. " + supportSentence() + detail(error));
    }
    m_model.loadGroups();
    m_model.reloadItems();
}

void LibraryChanges::raise(std::string title, std::string message) {
    m_alerts.raise(std::move(title), std::move(message));
}

} // namespace bw
