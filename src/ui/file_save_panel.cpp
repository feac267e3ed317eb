#include "ui/file_save_panel.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMimeDatabase>

namespace bw::ui {

void FileSavePanel::ask(const SaveQuestion& question, Answer answer) {
    auto* dialog = new QFileDialog(m_parent, "Export Transcript");
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    const QString extension = QString::fromUtf8(fileExtension(question.format));
    const QString type = QString::fromStdString(question.contentType);
    // Only the one extension: the type's own patterns can be wider (plain text also lists
    // *.asc and *,v), which would offer names the export does not write.
    const QMimeType mime = QMimeDatabase().mimeTypeForName(type);
    const QString pattern = QString("*.%1").arg(extension);
    dialog->setNameFilter(mime.isValid() ? QString("%1 (%2)").arg(mime.comment(), pattern)
                                         : pattern);
    // A name typed without the extension still gets it.
    dialog->setDefaultSuffix(extension);
    const auto purpose = DialogFolders::Purpose::exportSave;
    dialog->setDirectory(m_folders ? QFile::decodeName(m_folders->folder(purpose).c_str())
                                   : QDir::homePath());
    dialog->selectFile(
        QDir(dialog->directory()).filePath(QString::fromStdString(question.suggestedFileName)));
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, folders = m_folders, answer = std::move(answer)](int result) {
                         std::optional<std::filesystem::path> chosen;
                         const QStringList files = dialog->selectedFiles();
                         if (result == QDialog::Accepted && !files.isEmpty()) {
                             chosen = QFile::encodeName(files.front()).toStdString();
                             if (folders) {
                                 folders->rememberChosenFile(purpose, *chosen);
                             }
                         }
                         dialog->deleteLater();
                         answer(chosen);
                     });
    dialog->open();
}

} // namespace bw::ui
