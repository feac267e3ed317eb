#include "ui/window_dialogs.h"

#include "app/app_model.h"
#include "ui/diagnostics_sheet.h"
#include "ui/group_name_sheet.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace bw::ui {
namespace {

// Closes a dialog the model no longer wants shown; its own dismissal handler then finds the
// slot already cleared or changed and leaves it alone.
template <typename Dialog> void dismiss(QPointer<Dialog>& dialog) {
    if (Dialog* shown = dialog) {
        dialog = nullptr;
        shown->close();
    }
}

} // namespace

WindowDialogs::WindowDialogs(AppModel& app, QWidget* window)
    : QObject(window), m_app(app), m_window(window) {
    LibraryModel& library = app.library();
    connect(&library, &LibraryModel::alertChanged, this, &WindowDialogs::showAlert);
    connect(&library, &LibraryModel::groupEditorChanged, this, &WindowDialogs::showGroupNameSheet);
    connect(&app, &AppModel::diagnosticsChanged, this, &WindowDialogs::showDiagnosticsSheet);
    connect(&app, &AppModel::isImporterPresentedChanged, this, &WindowDialogs::showImporter);
    showAlert();
    showGroupNameSheet();
    showDiagnosticsSheet();
    showImporter();
}

void WindowDialogs::showAlert() {
    const auto& alert = m_app.library().alert();
    if (m_alert && (!alert || alert->id != m_alertID)) {
        dismiss(m_alert);
    }
    if (!alert || m_alert) {
        return;
    }
    m_alertID = alert->id;
    auto* box = new QMessageBox(m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QString::fromStdString(alert->title));
    box->setText(QString::fromStdString(alert->title));
    box->setInformativeText(QString::fromStdString(alert->message));
    if (alert->action == AppAlert::Action::openMicrophoneSettings) {
        QPushButton* settings = box->addButton("Open System Settings", QMessageBox::AcceptRole);
        connect(settings, &QPushButton::clicked, &m_app, &AppModel::openMicrophoneSettings);
    }
    QPushButton* ok = box->addButton("OK", QMessageBox::RejectRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    connect(box, &QDialog::finished, this, [this, id = alert->id] {
        if (m_app.library().alert() && m_app.library().alert()->id == id) {
            m_app.library().setAlert(std::nullopt);
        }
    });
    m_alert = box;
    box->open();
}

void WindowDialogs::showGroupNameSheet() {
    const auto& editor = m_app.library().groupEditor();
    if (m_groupNameSheet && (!editor || editor->id != m_groupEditorID)) {
        dismiss(m_groupNameSheet);
    }
    if (!editor || m_groupNameSheet) {
        return;
    }
    m_groupEditorID = editor->id;
    auto* sheet = new GroupNameSheet(*editor, m_app.library(), m_window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &QDialog::finished, this, [this, id = editor->id] {
        if (m_app.library().groupEditor() && m_app.library().groupEditor()->id == id) {
            m_app.library().setGroupEditor(std::nullopt);
        }
    });
    m_groupNameSheet = sheet;
    sheet->open();
}

void WindowDialogs::showDiagnosticsSheet() {
    if (m_diagnosticsSheet && !m_app.diagnostics()) {
        dismiss(m_diagnosticsSheet);
    }
    if (!m_app.diagnostics() || m_diagnosticsSheet) {
        return;
    }
    auto* sheet = new DiagnosticsSheet(m_app, m_window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &QDialog::finished, this, [this] { m_app.setDiagnostics(std::nullopt); });
    m_diagnosticsSheet = sheet;
    sheet->open();
}

void WindowDialogs::showImporter() {
    if (m_importer && !m_app.isImporterPresented()) {
        dismiss(m_importer);
    }
    if (!m_app.isImporterPresented() || m_importer) {
        return;
    }
    auto* importer = new QFileDialog(m_window, "Import Audio");
    importer->setAttribute(Qt::WA_DeleteOnClose);
    importer->setFileMode(QFileDialog::ExistingFiles);
    importer->setAcceptMode(QFileDialog::AcceptOpen);
    importer->setNameFilter("Audio (*.m4a *.mp3 *.wav)");
    connect(importer, &QFileDialog::filesSelected, this, [this](const QStringList& files) {
        std::vector<std::filesystem::path> paths;
        for (const QString& file : files) {
            paths.emplace_back(file.toStdString());
        }
        m_app.library().importFiles(paths);
    });
    connect(importer, &QDialog::finished, this, [this] { m_app.setImporterPresented(false); });
    m_importer = importer;
    importer->open();
}

} // namespace bw::ui
