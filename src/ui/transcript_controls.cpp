#include "ui/transcript_controls.h"

#include "transcripts/transcript_export.h"
#include "ui/language_picker.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace bw::ui {

namespace {

QString doubtfulTextLabel(DoubtfulText choice) {
    switch (choice) {
    case DoubtfulText::keep:
        return "Keep";
    case DoubtfulText::mark:
        return "Mark";
    case DoubtfulText::omit:
        return "Leave Out";
    }
    return "Keep";
}

} // namespace

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
    menu->addSection("Doubtful text:");
    auto* doubtful = new QActionGroup(menu);
    for (std::size_t i = 0; i < allDoubtfulTexts.size(); ++i) {
        const DoubtfulText choice = allDoubtfulTexts[i];
        QAction* action = menu->addAction(doubtfulTextLabel(choice), this,
                                          [this, choice] { emit doubtfulTextChosen(choice); });
        action->setCheckable(true);
        action->setActionGroup(doubtful);
        m_doubtfulActions[i] = action;
    }
    setDoubtfulText(DoubtfulText::keep);
    m_export->setMenu(menu);

    connect(m_cancel, &QPushButton::clicked, this, &TranscriptControls::cancelClicked);
    connect(m_again, &QPushButton::clicked, this, &TranscriptControls::transcribeAgainClicked);
}

DoubtfulText TranscriptControls::doubtfulText() const {
    for (std::size_t i = 0; i < allDoubtfulTexts.size(); ++i) {
        if (m_doubtfulActions[i]->isChecked()) {
            return allDoubtfulTexts[i];
        }
    }
    return DoubtfulText::keep;
}

void TranscriptControls::setDoubtfulText(DoubtfulText choice) {
    doubtfulTextAction(choice).setChecked(true);
}

QAction& TranscriptControls::doubtfulTextAction(DoubtfulText choice) const {
    return *m_doubtfulActions[std::size_t(choice)];
}

void TranscriptControls::update(bool isTranscribing, bool canTranscribe, bool canExport) {
    m_language->setEnabled(!isTranscribing);
    m_cancel->setVisible(isTranscribing);
    m_again->setVisible(!isTranscribing);
    m_again->setEnabled(canTranscribe);
    m_export->setVisible(canExport);
}

} // namespace bw::ui
