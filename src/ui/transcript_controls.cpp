#include "ui/transcript_controls.h"

#include "transcripts/transcript_export.h"
#include "ui/language_picker.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace bw::ui {

TranscriptControls::TranscriptControls(QWidget* parent)
    : QWidget(parent), m_language(new LanguagePicker(this)),
      m_cancel(new QPushButton("Cancel Transcription", this)),
      m_again(new QPushButton("Transcribe Again…", this)), m_export(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(m_language, 0, Qt::AlignVCenter);
    layout->addWidget(m_cancel, 0, Qt::AlignVCenter);
    layout->addWidget(m_again, 0, Qt::AlignVCenter);
    layout->addStretch();
    layout->addWidget(m_export, 0, Qt::AlignVCenter);

    m_export->setText("Export");
    m_export->setPopupMode(QToolButton::InstantPopup);
    m_export->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* menu = new QMenu(m_export);
    for (auto format : allExportFormats) {
        menu->addAction(QString::fromUtf8(TranscriptExport::menuLabel(format)), this,
                        [this, format] { emit exportChosen(format); });
    }
    m_export->setMenu(menu);

    connect(m_cancel, &QPushButton::clicked, this, &TranscriptControls::cancelClicked);
    connect(m_again, &QPushButton::clicked, this, &TranscriptControls::transcribeAgainClicked);
}

void TranscriptControls::update(bool isTranscribing, bool canTranscribe, bool canExport) {
    m_language->setEnabled(!isTranscribing);
    m_cancel->setVisible(isTranscribing);
    m_again->setVisible(!isTranscribing);
    m_again->setEnabled(canTranscribe);
    m_export->setVisible(canExport);
}

} // namespace bw::ui
