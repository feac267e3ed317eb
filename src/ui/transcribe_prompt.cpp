#include "ui/transcribe_prompt.h"

#include "ui/language_picker.h"
#include "ui/text_styles.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace bw::ui {

namespace {

constexpr int symbolSize = 34;

} // namespace

TranscribePrompt::TranscribePrompt(QWidget* parent)
    : QWidget(parent), m_language(new LanguagePicker(this)),
      m_transcribe(new QPushButton("Transcribe", this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 12, 0, 12);
    layout->setSpacing(8);

    auto* symbol = new QLabel(this);
    // The style's own icons: they need no icon theme installed.
    symbol->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(symbolSize));
    TextStyles::makeSecondary(*symbol);
    auto* title = new QLabel("Not transcribed yet", this);
    title->setFont(TextStyles::title(font()));
    auto* message = new QLabel("Choose the language spoken in this recording, then click "
                               "Transcribe. Transcription runs entirely on this computer.",
                               this);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignHCenter);
    TextStyles::makeSecondary(*message);

    m_transcribe->setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
    m_transcribe->setDefault(true);
    m_transcribe->setMinimumHeight(m_transcribe->sizeHint().height() + 8);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_language);
    row->addWidget(m_transcribe);
    row->addStretch();

    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(message);
    layout->addLayout(row);
}

} // namespace bw::ui
