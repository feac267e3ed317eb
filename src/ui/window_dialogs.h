// What the main window presents on the models' behalf: the application's alert, the
// group-name sheet while a group-name request is pending, the diagnostics sheet while a report
// is shown, and the file importer while it is asked for. Each is opened without blocking when
// its model slot is set, closed when the slot is cleared elsewhere, and clears the slot when the
// user dismisses it.
#pragma once

#include "base/uuid.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QPointer>

#include <optional>

class QWidget;

namespace bw {
class AlertCentre;
class AppActions;
class DialogFolders;
class ImportQueue;
class LibraryNavigation;
class WindowRequests;
struct AppAlert;
} // namespace bw

namespace bw::ui {

class WindowDialogs : public QObject {
    Q_OBJECT

public:
    // What the dialogs present and act on; none is owned, all must outlive the dialogs.
    struct Models {
        AlertCentre& alerts;
        LibraryNavigation& navigation;
        WindowRequests& requests;
        ImportQueue& imports;
        DialogFolders& dialogFolders;
        AppActions& actions;
    };

    // Presents over `window`; the models are read as they are now and followed from then on.
    WindowDialogs(Models models, QWidget* window);

    QMessageBox* alert() const { return m_alert; }
    QDialog* groupNameSheet() const { return m_groupNameSheet; }
    QDialog* diagnosticsSheet() const { return m_diagnosticsSheet; }
    QFileDialog* importer() const { return m_importer; }

private:
    void showAlert();
    void showGroupNameSheet();
    void showDiagnosticsSheet();
    void showImporter();
    QMessageBox* makeAlert(const AppAlert& alert);
    QFileDialog* makeImporter();

    Models m_models;
    QWidget* m_window;
    QPointer<QMessageBox> m_alert;
    Uuid m_alertID;
    QPointer<QDialog> m_groupNameSheet;
    Uuid m_groupEditorID;
    QPointer<QDialog> m_diagnosticsSheet;
    QPointer<QFileDialog> m_importer;
};

} // namespace bw::ui
