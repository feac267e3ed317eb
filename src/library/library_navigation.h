// Where the user is in the library: the sidebar filter (persisted in the settings,
// AppSettings::sidebarSelection), the selected recording, the group new recordings go to, and the
// pending group-name request of the sheet. It follows the library: a filter whose group is gone
// falls back to All Recordings, and a selection no longer shown is cleared.
//
// Lives on the main thread. filter and selection signal only real changes; the library model is
// not owned and must outlive the navigation.
#pragma once

#include "library/group_editor.h"
#include "library/library_filter.h"
#include "library/library_model.h"
#include "platform/user_defaults.h"

#include <QObject>

#include <optional>
#include <string>

namespace bw {

class LibraryNavigation : public QObject {
    Q_OBJECT

public:
    // Restores the stored filter when its group still exists. `defaults` is not owned and may
    // be null (the filter is then not persisted).
    LibraryNavigation(LibraryModel& library, UserDefaults* defaults, QObject* parent = nullptr);

    const LibraryFilter& filter() const { return m_filter; }
    // Stores the filter, clears a hidden selection and persists the filter, on every call.
    void setFilter(const LibraryFilter& filter);
    const std::optional<Uuid>& selection() const { return m_selection; }
    void setSelection(const std::optional<Uuid>& selection);
    // Selects the recording when the filter shows it.
    void selectIfShown(const Uuid& id);

    // The group shown, when it is a known group: where new recordings and imports go.
    std::optional<Uuid> groupForNewItems() const;
    // The group of the recording in progress, else the group for new items.
    std::optional<Uuid> recordingDestination() const;
    // Shows the group (or No Group) and moves the recording in progress there, keeping the
    // selection when it is still shown.
    void chooseDestination(const std::optional<Uuid>& group);

    const std::optional<GroupEditor>& groupEditor() const { return m_groupEditor; }
    void setGroupEditor(const std::optional<GroupEditor>& editor);
    // Performs the editor's purpose with `name`; returns the sheet's message on failure.
    std::optional<std::string> confirmGroupName(const GroupEditor& editor, const std::string& name);

signals:
    void filterChanged();
    void selectionChanged();
    void groupEditorChanged();

private:
    bool isShown(const Uuid& id) const;
    void followLibrary();

    LibraryModel& m_library;
    UserDefaults* m_defaults;
    LibraryFilter m_filter = LibraryFilter::all();
    std::optional<Uuid> m_selection;
    std::optional<GroupEditor> m_groupEditor;
};

} // namespace bw
