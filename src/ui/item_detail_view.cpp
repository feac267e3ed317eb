#include "ui/item_detail_view.h"

#include "app/app_model.h"
#include "base/duration_format.h"
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

ItemDetailView::ItemDetailView(AppModel& app, QWidget* parent)
    : QWidget(parent), m_app(app), m_title(new ElidedLabel), m_information(new QLabel),
      m_player(new PlayerView(app.player())),
      m_transcript(new TranscriptSection(app.openTranscript(), app.player(), app.search(),
                                         app.dialogFolders(), app.defaults())) {
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
    const auto& store = m_app.library().store();
    m_app.player().load(store.audioFileURL(item), systemAudioFileURL(store, item));
    m_transcript->showItem(item.id);
}

} // namespace bw::ui
