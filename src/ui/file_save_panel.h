// The window's answer to "where should this file go?": a save dialog over the window, with the
// suggested name filled in and only the one file type offered, in the folder last exported to.
// It does not block: the answer comes when the dialog closes.
#pragma once

#include "app/dialog_folders.h"
#include "transcripts/save_panel.h"

#include <QPointer>
#include <QWidget>

namespace bw::ui {

class FileSavePanel : public SavePanel {
public:
    // The dialogs open over `parent`'s window and go away with it; `folders` (not owned, may be
    // null) says where they open and remembers where the user saved.
    FileSavePanel(QWidget* parent, DialogFolders* folders) : m_parent(parent), m_folders(folders) {}

    void ask(const SaveQuestion& question, Answer answer) override;

private:
    QPointer<QWidget> m_parent;
    DialogFolders* m_folders;
};

} // namespace bw::ui
