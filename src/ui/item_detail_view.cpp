#include "ui/item_detail_view.h"

#include "base/duration_format.h"
#include "library/library_store.h"
#include "library/playback_model.h"
#include "library/system_audio_file.h"
#include "ui/display_text.h"
#include "ui/elided_label.h"
#include "ui/player_view.h"
#include "ui/symbols.h"
#include "ui/text_styles.h"
#include "ui/transcript_section.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace bw::ui {
namespace {

const QColor orange(230, 126, 0);

QString informationLine(const LibraryItem& item) {
    QString line = detailDateText(item.createdAt) + " · " +
                   QString::fromStdString(Formatting::duration(item.duration));
    if (item.origin == LibraryItem::Origin::dictated) {
        line += " · Dictation";
    } else if (item.origin == LibraryItem::Origin::imported) {
        line += " · Imported";
    }
    return line;
}

QWidget* makeInterruptedNotice(const QFont& font) {
    auto* notice = new QWidget;
    auto* icon = new QLabel;
    icon->setPixmap(symbol("exclamationmark.triangle").pixmap(16, 16));
    auto* text = new QLabel("Brindlewick quit unexpectedly during this recording. The audio is "
                            "kept up to a few seconds before that moment.");
    text->setWordWrap(true);
    text->setFont(font);
    QPalette palette = text->palette();
    palette.setColor(QPalette::WindowText, orange);
    text->setPalette(palette);
    auto* layout = new QHBoxLayout(notice);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(text, 1);
    return notice;
}

} // namespace

ItemDetailView::ItemDetailView(const LibraryStore& store, PlaybackModel& player,
                               TranscriptSection* transcript, QWidget* parent)
    : QWidget(parent), m_store(store), m_playback(player), m_title(new ElidedLabel),
      m_information(new QLabel), m_player(new PlayerView(player)), m_transcript(transcript) {
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setObjectName("title");
    const QFont callout = TextStyles::callout(m_information->font());
    m_information->setFont(callout);
    m_information->setForegroundRole(QPalette::PlaceholderText);
    m_interrupted = makeInterruptedNotice(callout);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    layout->addWidget(m_title);
    layout->addWidget(m_information);
    layout->addWidget(m_interrupted);
    layout->addWidget(m_player);
    layout->addWidget(m_transcript, 1);

    connect(m_transcript, &TranscriptSection::editingTextChanged, this,
            [this](bool editing) { m_player->setSpaceTogglesPlayback(!editing); });
}

void ItemDetailView::showItem(const LibraryItem& item) {
    m_title->setFullText(QString::fromStdString(item.title));
    m_information->setText(informationLine(item));
    m_interrupted->setVisible(item.state == LibraryItem::State::interrupted);
    m_playback.load(m_store.audioFileURL(item), systemAudioFileURL(m_store, item));
    m_transcript->showItem(item.id);
}

} // namespace bw::ui
