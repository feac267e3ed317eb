#include "ui/diagnostics_sheet.h"

#include "app/diagnostics_document.h"
#include "app/window_requests.h"
#include "library/support_texts.h"
#include "platform/bundle_info.h"
#include "ui/sheet_buttons.h"
#include "ui/text_styles.h"

#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace bw::ui {

namespace {

std::optional<std::filesystem::path> askForFile(QWidget* parent, const QString& suggestedName) {
    QFileDialog dialog(parent, "Save Diagnostics", QDir::home().filePath(suggestedName),
                       "Plain text (*.txt)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

} // namespace

DiagnosticsSheet::DiagnosticsSheet(WindowRequests& requests, QWidget* parent, ChooseFile chooseFile)
    : QDialog(parent), m_requests(requests),
      m_chooseFile(chooseFile ? std::move(chooseFile) : ChooseFile(askForFile)),
      m_problem(new QLabel(this)) {
    setWindowTitle("Diagnostics");
    setFixedSize(520, 480);
    auto* title = new QLabel("Diagnostics", this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    title->setFont(titleFont);
    auto* explanation = new QLabel(
        QString::fromStdString(
            "This file holds only technical information about Brindlewick and this computer, "
            "such as versions and counts. It contains no audio, no transcripts, no recording "
            "titles and nothing that names you or this computer. Save it, then attach it to an "
            "email to " +
            BundleInfo::supportEmail() + "."),
        this);
    explanation->setWordWrap(true);
    auto* text = new QPlainTextEdit(this);
    text->setObjectName("report");
    text->setReadOnly(true);
    text->setMinimumHeight(260);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(m_requests.diagnostics()
                           ? QString::fromStdString(m_requests.diagnostics()->text())
                           : QString());
    m_problem->setObjectName("problem");
    m_problem->setWordWrap(true);
    TextStyles::makeProblem(*m_problem);
    m_problem->hide();

    auto* close = new QPushButton("Close", this);
    auto* saveButton = new QPushButton("Save\u2026", this);
    saveButton->setObjectName("save");
    auto* buttons = sheetButtons(close, saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    layout->addWidget(title);
    layout->addWidget(explanation);
    layout->addWidget(text, 1);
    layout->addWidget(m_problem);
    layout->addLayout(buttons);

    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(saveButton, &QPushButton::clicked, this, &DiagnosticsSheet::save);
    connect(this, &QDialog::finished, this, [this] { m_requests.setDiagnostics(std::nullopt); });
}

void DiagnosticsSheet::save() {
    const auto& report = m_requests.diagnostics();
    if (!report) {
        return;
    }
    const auto file = m_chooseFile(this, QString::fromStdString(report->suggestedFileName()));
    if (!file) {
        return;
    }
    try {
        DiagnosticsDocument{report->text()}.write(*file);
    } catch (const std::exception& error) {
        // Staying silent would leave the user believing the file is there to attach.
        m_problem->setText(QString::fromStdString(
            "The diagnostics couldn't be saved there. Choose another folder and try again." +
            detail(error)));
        m_problem->show();
        return;
    }
    accept();
}

} // namespace bw::ui
