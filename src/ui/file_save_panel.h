// The window's answer to "where should this file go?": a save dialog over the window, with the
// suggested name filled in and only the one file type offered. It does not block: the answer
// comes when the dialog closes.
#pragma once

#include "transcripts/save_panel.h"

#include <QPointer>
#include <QWidget>

namespace bw::ui {

class FileSavePanel : public SavePanel {
public:
    // The dialogs open over `parent`'s window and go away with it.
    explicit FileSavePanel(QWidget* parent) : m_parent(parent) {}

    void ask(const SaveQuestion& question, Answer answer) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace bw::ui
