#include "library/library_navigation.h"

#include "library/library_error.h"
#include "platform/app_settings.h"

#include <algorithm>

namespace bw {

LibraryNavigation::LibraryNavigation(LibraryModel& library, UserDefaults* defaults, QObject* parent)
    : QObject(parent), m_library(library), m_defaults(defaults) {
    connect(&m_library, &LibraryModel::itemsChanged, this, &LibraryNavigation::followLibrary);
    connect(&m_library, &LibraryModel::groupsChanged, this, &LibraryNavigation::followLibrary);
    if (!m_defaults) {
        return;
    }
    auto stored = AppSettings(m_defaults).sidebarSelection();
    auto filter = stored ? LibraryFilter::fromStoredValue(*stored) : std::nullopt;
    if (!filter) {
        return;
    }
    if (auto id = filter->groupID(); id && !m_library.group(*id)) {
        filter = LibraryFilter::all();
    }
    setFilter(*filter);
}

void LibraryNavigation::setFilter(const LibraryFilter& filter) {
    bool changed = filter != m_filter;
    m_filter = filter;
    if (changed) {
        emit filterChanged();
    }
    if (m_selection && !isShown(*m_selection)) {
        setSelection(std::nullopt);
    }
    if (m_defaults) {
        AppSettings(m_defaults).setSidebarSelection(m_filter.storedValue());
    }
}

void LibraryNavigation::setSelection(const std::optional<Uuid>& selection) {
    if (selection != m_selection) {
        m_selection = selection;
        emit selectionChanged();
    }
}

void LibraryNavigation::selectIfShown(const Uuid& id) {
    if (isShown(id)) {
        setSelection(id);
    }
}

std::optional<Uuid> LibraryNavigation::groupForNewItems() const {
    auto id = m_filter.groupID();
    return id && m_library.group(*id) ? id : std::nullopt;
}

std::optional<Uuid> LibraryNavigation::recordingDestination() const {
    if (const auto& activeID = m_library.activeRecordingID()) {
        if (auto active = m_library.item(*activeID)) {
            return active->groupID && m_library.group(*active->groupID) ? active->groupID
                                                                        : std::nullopt;
        }
    }
    return groupForNewItems();
}

void LibraryNavigation::chooseDestination(const std::optional<Uuid>& destination) {
    auto remembered = m_selection;
    if (destination) {
        setFilter(LibraryFilter::group(*destination));
    } else if (m_filter.kind() != LibraryFilter::Kind::all) {
        setFilter(LibraryFilter::notFiled());
    }
    if (const auto activeID = m_library.activeRecordingID()) {
        auto active = m_library.item(*activeID);
        std::optional<Uuid> current = active ? active->groupID : std::nullopt;
        if (current != destination) {
            m_library.changes().move({*activeID}, destination);
        }
    }
    if (remembered) {
        selectIfShown(*remembered);
    }
}

void LibraryNavigation::setGroupEditor(const std::optional<GroupEditor>& editor) {
    m_groupEditor = editor;
    emit groupEditorChanged();
}

std::optional<std::string> LibraryNavigation::confirmGroupName(const GroupEditor& editor,
                                                               const std::string& name) {
    try {
        if (auto* create = std::get_if<GroupEditor::Create>(&editor.purpose)) {
            m_library.changes().createGroup(name, create->moving);
        } else if (auto* rename = std::get_if<GroupEditor::Rename>(&editor.purpose)) {
            m_library.changes().renameGroup(rename->group.id, name);
        } else {
            chooseDestination(m_library.changes().createGroup(name, {}).id);
        }
    } catch (const std::exception& error) {
        return groupNameProblem(error);
    }
    if (m_groupEditor && m_groupEditor->id == editor.id) {
        setGroupEditor(std::nullopt);
    }
    return std::nullopt;
}

bool LibraryNavigation::isShown(const Uuid& id) const {
    auto visible = m_library.itemsIn(m_filter);
    return std::any_of(visible.begin(), visible.end(),
                       [&](const LibraryItem& item) { return item.id == id; });
}

// After every read of the items or the groups: what the navigation points at may be gone.
void LibraryNavigation::followLibrary() {
    if (auto id = m_filter.groupID(); id && !m_library.group(*id)) {
        setFilter(LibraryFilter::all());
    }
    if (m_selection && !isShown(*m_selection)) {
        setSelection(std::nullopt);
    }
}

} // namespace bw
