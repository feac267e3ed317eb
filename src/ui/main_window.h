// The main window: the sidebar of groups, the list of recordings and the detail pane side by
// side, the toolbar with the recording controls and "Import Audio…", the consent notice above
// the detail, the keys for finding and transcribing, and what the window presents for the models
// (alert, sheets, file importer).
// Audio files dropped anywhere on the window are imported.
#pragma once

#include <QMainWindow>

class QAction;
class QSplitter;

namespace bw {
class AppModel;
}

namespace bw::ui {

class DetailView;
class FocusRing;
class GroupSidebar;
class RecordingList;
class WindowDialogs;
class WindowKeys;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(AppModel& app, QWidget* parent = nullptr);

    GroupSidebar* sidebar() const { return m_sidebar; }
    RecordingList* recordingList() const { return m_list; }
    DetailView* detail() const { return m_detail; }
    WindowDialogs* dialogs() const { return m_dialogs; }
    // The keys for finding and for transcribing.
    WindowKeys* keys() const { return m_keys; }
    QSplitter* splitter() const { return m_splitter; }
    QAction* importAction() const { return m_importAction; }
    FocusRing* focusRing() const { return m_focusRing; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildToolBar();

    AppModel& m_app;
    GroupSidebar* m_sidebar;
    RecordingList* m_list;
    DetailView* m_detail;
    QSplitter* m_splitter;
    QAction* m_importAction = nullptr;
    WindowDialogs* m_dialogs;
    WindowKeys* m_keys;
    FocusRing* m_focusRing;
};

} // namespace bw::ui
