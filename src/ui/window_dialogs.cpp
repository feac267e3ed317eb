#include "ui/window_dialogs.h"

#include "app/app_actions.h"
#include "app/dialog_folders.h"
#include "app/window_requests.h"
#include "library/alert_centre.h"
#include "library/import_queue.h"
#include "library/library_importer.h"
#include "library/library_navigation.h"
#include "ui/confirmation.h"
#include "ui/diagnostics_sheet.h"
#include "ui/group_name_sheet.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <functional>

namespace bw::ui {
namespace {

// The identifier of a request that has none of its own (a flag or a report that is set).
const Uuid flagSet = Uuid();

// Keeps one dialog in step with a model slot. `wanted` identifies the request the slot holds
// (none when it is empty): a dialog for another request is closed, and a new one is made by
// `make` and opened. `dismissed` runs with the request's identifier when the dialog closes in
// any way, to clear the slot if it still holds that request.
template <typename Dialog>
void follow(QObject* context, QPointer<Dialog>& shown, Uuid& shownID,
            const std::optional<Uuid>& wanted, const std::function<Dialog*()>& make,
            const std::function<void(const Uuid&)>& dismissed) {
    if (Dialog* open = shown; open && wanted != shownID) {
        // Forgotten first, so that a new request can be shown at once.
        shown = nullptr;
        open->close();
    }
    if (!wanted || shown) {
        return;
    }
    shownID = *wanted;
    Dialog* dialog = make();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, context,
                     [dismissed, id = *wanted] { dismissed(id); });
    shown = dialog;
    dialog->open();
}

std::optional<Uuid> flag(bool set) {
    return set ? std::optional(flagSet) : std::nullopt;
}

} // namespace

WindowDialogs::WindowDialogs(Models models, QWidget* window)
    : QObject(window), m_models(models), m_window(window) {
    connect(&m_models.alerts, &AlertCentre::alertChanged, this, &WindowDialogs::showAlert);
    connect(&m_models.navigation, &LibraryNavigation::groupEditorChanged, this,
            &WindowDialogs::showGroupNameSheet);
    connect(&m_models.requests, &WindowRequests::diagnosticsChanged, this,
            &WindowDialogs::showDiagnosticsSheet);
    connect(&m_models.requests, &WindowRequests::isImporterPresentedChanged, this,
            &WindowDialogs::showImporter);
    showAlert();
    showGroupNameSheet();
    showDiagnosticsSheet();
    showImporter();
}

void WindowDialogs::showAlert() {
    AlertCentre& alerts = m_models.alerts;
    const auto& alert = alerts.alert();
    follow<QMessageBox>(
        this, m_alert, m_alertID, alert ? std::optional(alert->id) : std::nullopt,
        [&] { return makeAlert(*alert); },
        [alerts = &alerts](const Uuid& id) { alerts->dismiss(id); });
}

QMessageBox* WindowDialogs::makeAlert(const AppAlert& alert) {
    auto* box = new QMessageBox(m_window);
    box->setIcon(QMessageBox::Warning);
    setMessageBoxText(*box, QString::fromStdString(alert.title),
                      QString::fromStdString(alert.message));
    if (alert.action == AppAlert::Action::openMicrophoneSettings) {
        QPushButton* settings = box->addButton("Open System Settings", QMessageBox::AcceptRole);
        connect(settings, &QPushButton::clicked, this,
                [this] { m_models.actions.openMicrophoneSettings(); });
    }
    QPushButton* ok = box->addButton("OK", QMessageBox::RejectRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    return box;
}

void WindowDialogs::showGroupNameSheet() {
    LibraryNavigation& navigation = m_models.navigation;
    const auto& editor = navigation.groupEditor();
    follow<QDialog>(
        this, m_groupNameSheet, m_groupEditorID, editor ? std::optional(editor->id) : std::nullopt,
        [&] { return new GroupNameSheet(*editor, navigation, m_window); },
        [navigation = &navigation](const Uuid& id) {
            if (navigation->groupEditor() && navigation->groupEditor()->id == id) {
                navigation->setGroupEditor(std::nullopt);
            }
        });
}

void WindowDialogs::showDiagnosticsSheet() {
    Uuid shownID;
    follow<QDialog>(
        this, m_diagnosticsSheet, shownID, flag(m_models.requests.diagnostics().has_value()),
        [this] { return new DiagnosticsSheet(m_models.requests, m_window); },
        [this](const Uuid&) { m_models.requests.setDiagnostics(std::nullopt); });
}

void WindowDialogs::showImporter() {
    Uuid shownID;
    follow<QFileDialog>(
        this, m_importer, shownID, flag(m_models.requests.isImporterPresented()),
        [this] { return makeImporter(); },
        [this](const Uuid&) { m_models.requests.setImporterPresented(false); });
}

QFileDialog* WindowDialogs::makeImporter() {
    auto* importer = new QFileDialog(m_window, "Import Audio");
    importer->setFileMode(QFileDialog::ExistingFiles);
    importer->setAcceptMode(QFileDialog::AcceptOpen);
    QStringList patterns;
    for (const auto& extension : LibraryImporter::importableExtensions()) {
        patterns << "*." + QString::fromStdString(extension);
    }
    importer->setNameFilter("Audio (" + patterns.join(' ') + ")");
    auto& folders = m_models.dialogFolders;
    const auto purpose = DialogFolders::Purpose::import;
    importer->setDirectory(QFile::decodeName(folders.folder(purpose).c_str()));
    connect(importer, &QFileDialog::filesSelected, this, [this](const QStringList& files) {
        std::vector<std::filesystem::path> paths;
        for (const QString& file : files) {
            paths.emplace_back(QFile::encodeName(file).toStdString());
        }
        if (!paths.empty()) {
            m_models.dialogFolders.rememberChosenFile(DialogFolders::Purpose::import,
                                                      paths.front());
        }
        m_models.imports.importFiles(paths);
    });
    return importer;
}

} // namespace bw::ui
