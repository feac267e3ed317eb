#include "ui/live_transcript_view.h"

#include "base/duration_format.h"
#include "base/text_trimming.h"
#include "transcription/speaker.h"
#include "ui/doubt_mark.h"
#include "ui/scroll_bar_style.h"
#include "ui/text_styles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace bw::ui {

LiveTranscriptView::LiveTranscriptView(QWidget* parent)
    : QScrollArea(parent), m_rows(new QWidget), m_layout(new QVBoxLayout(m_rows)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(10);
    m_layout->addStretch();
    setWidget(m_rows);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBarStyle::apply(*this);
    viewport()->setAutoFillBackground(false);
    m_rows->setAutoFillBackground(false);
}

void LiveTranscriptView::setSegments(const std::vector<TranscriptSegment>& segments) {
    // Segments only ever arrive at the end; anything else is another job's list.
    const auto shown = std::size_t(m_count);
    if (segments.size() < shown || (m_last && segments[shown - 1] != *m_last)) {
        clear();
    }
    if (segments.size() == std::size_t(m_count)) {
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    const bool followsEnd = bar->value() >= bar->maximum();
    for (std::size_t i = std::size_t(m_count); i < segments.size(); ++i) {
        addRow(segments[i]);
    }
    m_last = segments.back();
    if (followsEnd) {
        // The new rows are laid out on the next pass of the event loop.
        QTimer::singleShot(
            0, this, [this] { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); });
    }
}

void LiveTranscriptView::clear() {
    while (m_layout->count() > 1) {
        QLayoutItem* item = m_layout->takeAt(0);
        delete item->widget();
        delete item;
    }
    m_count = 0;
    m_last.reset();
}

void LiveTranscriptView::addRow(const TranscriptSegment& segment) {
    auto* row = new QWidget(m_rows);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    // The time and its mark share the column, so that every row's text starts at one place.
    auto* column = new QWidget(row);
    column->setMinimumWidth(timeColumnWidth);
    auto* columnLayout = new QHBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(4);
    auto* time = new QLabel(QString::fromStdString(Formatting::duration(segment.start)), column);
    time->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    columnLayout->addWidget(time, 0, Qt::AlignTop);
    if (!segment.doubts.empty()) {
        columnLayout->addWidget(new DoubtMark(segment.doubts, column), 0, Qt::AlignVCenter);
    }
    columnLayout->addStretch();
    layout->addWidget(column, 0, Qt::AlignTop);
    if (segment.speaker) {
        // Who spoke, before the text as the editor shows it.
        auto* speaker = new QLabel(
            QString::fromStdString(std::string(displayName(*segment.speaker)) + ":"), row);
        speaker->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        TextStyles::makeSecondary(*speaker);
        layout->addWidget(speaker, 0, Qt::AlignTop);
    }
    auto* text = new QLabel(
        QString::fromStdString(std::string(trimWhitespaceAndLineBreaks(segment.text))), row);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QLabel* label : {time, text}) {
        TextStyles::makeSecondary(*label);
    }
    layout->addWidget(text, 1);
    m_layout->insertWidget(m_layout->count() - 1, row);
    ++m_count;
}

} // namespace bw::ui
