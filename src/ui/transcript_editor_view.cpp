#include "ui/transcript_editor_view.h"

#include "base/unicode_text.h"
#include "library/playback_model.h"
#include "transcripts/transcript_editor_model.h"
#include "transcripts/unrecognized_speech_note.h"
#include "ui/doubt_mark.h"
#include "ui/scroll_bar_style.h"
#include "ui/text_styles.h"
#include "ui/transcript_text_view.h"

#include <QAbstractTextDocumentLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace bw::ui {

namespace {

const QColor playingBackground(70, 130, 230, 45);
const QColor matchBackground(255, 210, 0, 50);
const QColor wordBackground(255, 200, 0, 150);
const QColor currentWordBackground(255, 140, 0, 210);

QTextEdit::ExtraSelection highlight(QTextDocument* document, std::int64_t from, std::int64_t to,
                                    const QColor& color, bool fullWidth = false) {
    QTextEdit::ExtraSelection selection;
    selection.cursor = QTextCursor(document);
    selection.cursor.setPosition(int(from));
    selection.cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    selection.format.setBackground(color);
    if (fullWidth) {
        selection.format.setProperty(QTextFormat::FullWidthSelection, true);
    }
    return selection;
}

} // namespace

TranscriptEditorView::TranscriptEditorView(TranscriptEditorModel& editor, PlaybackModel& player,
                                           QWidget* parent)
    : QWidget(parent), m_editor(editor), m_player(player), m_textView(new TranscriptTextView(this)),
      m_unrecognized(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_textView);
    layout->addWidget(m_unrecognized);
    m_unrecognized->setFont(TextStyles::callout(font()));
    m_unrecognized->setContentsMargins(int(textIndent), 0, 0, 0);
    TextStyles::makeSecondary(*m_unrecognized);

    m_textView->setFrameShape(QFrame::NoFrame);
    m_textView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_textView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBarStyle::apply(*m_textView);
    m_textView->viewport()->setAutoFillBackground(false);
    m_textView->setAccessibleName("Transcript text");
    QTextFrameFormat frame = m_textView->document()->rootFrame()->frameFormat();
    frame.setLeftMargin(0);
    frame.setRightMargin(0);
    frame.setTopMargin(4);
    frame.setBottomMargin(4);
    m_textView->document()->rootFrame()->setFrameFormat(frame);

    QTextCharFormat base;
    base.setFont(font());
    base.setForeground(palette().color(QPalette::Text));
    m_textView->setBaseFormat(base);

    TranscriptTextView::Owner owner;
    owner.shouldChange = [this](const auto& edits) { return shouldChange(edits); };
    owner.didChange = [this](TextRange replaced, std::int64_t change) {
        didChange(replaced, change);
    };
    owner.linkClicked = [this](std::int64_t position) { seekToLabel(position); };
    owner.extendContextMenu = [this](QMenu& menu, std::int64_t position) {
        addRestoreItem(menu, position);
    };
    owner.onFocusChange = [this](bool focused) { focusChanged(focused); };
    owner.unexpectedChange = [this] { scheduleReload(); };
    owner.paintOver = [this](QPainter& painter) { paintDoubtMarks(painter); };
    m_textView->setOwner(std::move(owner));
    // A transcript changed by another process comes back only when nothing here is unsaved.
    connect(&m_editor, &TranscriptEditorModel::reloaded, this, &TranscriptEditorView::reload);
    connect(&m_player, &PlaybackModel::currentTimeChanged, this,
            &TranscriptEditorView::followPlayback);
    connect(&m_player, &PlaybackModel::isPlayingChanged, this, [this] {
        if (m_player.isPlaying()) {
            m_followPaused = false; // playing again follows again
        }
        followPlayback();
    });
    connect(m_textView->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &TranscriptEditorView::scrolled);
    m_textView->installEventFilter(this);
    m_textView->viewport()->installEventFilter(this);
    reload();
}

TranscriptEditorView::~TranscriptEditorView() {
    // The text view goes after this body; what it still reports must not reach this object.
    m_textView->setOwner(TranscriptTextView::Owner());
    m_textView->viewport()->removeEventFilter(this);
}

QTextBlockFormat TranscriptEditorView::paragraphFormat() const {
    QTextBlockFormat format;
    // Tab, time, tab, text: the time ends at the first stop, the text starts at the second,
    // and wrapped lines hang at the same place.
    format.setTabPositions({QTextOption::Tab(timeColumnWidth, QTextOption::RightTab),
                            QTextOption::Tab(textIndent, QTextOption::LeftTab)});
    format.setLeftMargin(textIndent);
    format.setTextIndent(-textIndent);
    format.setBottomMargin(paragraphSpacing);
    return format;
}

void TranscriptEditorView::reload() {
    m_isReloadScheduled = false;
    m_layout = TranscriptText(m_editor.document());
    const QTextCharFormat base = m_textView->baseFormat();
    m_textView->load([&](QTextCursor& cursor) {
        cursor.setBlockFormat(paragraphFormat());
        cursor.insertText(QString::fromStdString(m_layout.string), base);
        for (const auto& paragraph : m_layout.paragraphs) {
            const QString time = QString::fromStdString(paragraph.time);
            QTextCharFormat link;
            link.setAnchor(true);
            link.setAnchorHref(QString::number(paragraph.segmentID));
            link.setForeground(palette().color(QPalette::Link));
            link.setToolTip("Go to " + time);
            QTextCursor label(cursor.document());
            label.setPosition(int(paragraph.timeRange.location));
            label.setPosition(int(paragraph.timeRange.end()), QTextCursor::KeepAnchor);
            label.mergeCharFormat(link);
            if (paragraph.speakerRange.length > 0) {
                // Subtle, like the time: it says who spoke and is not part of the text.
                QTextCharFormat subtle;
                subtle.setForeground(palette().color(QPalette::PlaceholderText));
                QTextCursor speaker(cursor.document());
                speaker.setPosition(int(paragraph.speakerRange.location));
                speaker.setPosition(int(paragraph.speakerRange.end()), QTextCursor::KeepAnchor);
                speaker.mergeCharFormat(subtle);
            }
        }
    });
    m_doubtToolTips.assign(m_layout.paragraphs.size(), QString());
    for (std::size_t i = 0; i < m_layout.paragraphs.size(); ++i) {
        updateDoubtMark(i);
    }
    const auto note = bw::unrecognizedSpeechNote(m_editor.document().unrecognizedSpeech.size());
    m_unrecognized->setText(QString::fromStdString(note));
    m_unrecognized->setVisible(!note.empty());
    updateHighlights();
}

void TranscriptEditorView::scheduleReload() {
    if (m_isReloadScheduled) {
        return;
    }
    m_isReloadScheduled = true;
    QMetaObject::invokeMethod(this, &TranscriptEditorView::reload, Qt::QueuedConnection);
}

bool TranscriptEditorView::shouldChange(const std::vector<TextEdit>& edits) const {
    std::optional<std::size_t> paragraph;
    for (const auto& edit : edits) {
        const auto index = m_layout.paragraphIndex(edit.location);
        if (!index || (paragraph && *index != *paragraph)) {
            return false;
        }
        const TextRange& text = m_layout.paragraphs[*index].textRange;
        if (edit.location < text.location || edit.end() > text.end()) {
            return false;
        }
        paragraph = index;
    }
    return paragraph.has_value();
}

void TranscriptEditorView::didChange(TextRange replaced, std::int64_t changeInLength) {
    const auto index = m_layout.replace(replaced, changeInLength);
    if (!index) {
        scheduleReload();
        return;
    }
    const auto& paragraph = m_layout.paragraphs[*index];
    m_editor.setText(m_textView->textIn(paragraph.textRange).toStdString(), paragraph.segmentID);
    updateDoubtMark(*index); // gone once edited; back when the original text is
    if (!m_matches.empty()) {
        updateHighlights(); // an edited match's words are no longer where the index saw them
    }
}

void TranscriptEditorView::seekToLabel(std::int64_t position) {
    m_followPaused = false;
    if (const auto index = m_layout.paragraphIndex(position)) {
        m_player.seek(m_layout.paragraphs[*index].start); // keeps playing or paused as it was
    }
    if (m_textView->isFocusedByCurrentClick()) {
        m_textView->clearFocus();
    }
}

void TranscriptEditorView::addRestoreItem(QMenu& menu, std::int64_t position) {
    const auto index = m_layout.paragraphIndex(position);
    if (!index) {
        return;
    }
    const auto* segment = m_editor.document().segment(m_layout.paragraphs[*index].segmentID);
    const bool edited = segment && segment->isEdited();
    QAction* restore = menu.addAction("Restore Original Text", this, [this, paragraph = *index] {
        restoreOriginalText(paragraph);
    });
    restore->setData(qulonglong(*index));
    restore->setEnabled(edited);
    menu.addSeparator();
}

void TranscriptEditorView::restoreOriginalText(std::size_t paragraph) {
    if (paragraph >= m_layout.paragraphs.size()) {
        return;
    }
    const auto& laidOut = m_layout.paragraphs[paragraph];
    const auto* segment = m_editor.document().segment(laidOut.segmentID);
    if (!segment) {
        return;
    }
    const QString original = QString::fromStdString(segment->originalText);
    m_textView->breakUndoCoalescing();
    m_textView->replace({{laidOut.textRange.location, laidOut.textRange.length, original}},
                        "Restore Original Text");
}

void TranscriptEditorView::focusChanged(bool focused) {
    if (focused != m_isEditingText) {
        m_isEditingText = focused;
        emit editingTextChanged(focused);
    }
    if (!focused) {
        m_editor.saveNow();
    }
}

} // namespace bw::ui

namespace bw::ui {

bool TranscriptEditorView::eventFilter(QObject* watched, QEvent* event) {
    // Keys the window takes as shortcuts (playback, finding) never come here as presses.
    if (watched == m_textView && event->type() == QEvent::KeyPress) {
        m_sinceTyping.start();
    }
    if (watched == m_textView->viewport() && event->type() == QEvent::ToolTip &&
        showDoubtToolTip(*static_cast<QHelpEvent*>(event))) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TranscriptEditorView::updateDoubtMark(std::size_t paragraph) {
    if (paragraph >= m_doubtToolTips.size()) {
        return;
    }
    const auto* segment = m_editor.document().segment(m_layout.paragraphs[paragraph].segmentID);
    QString tip =
        segment && segment->isDoubtful() ? DoubtMark::toolTipFor(segment->doubts) : QString();
    if (tip != m_doubtToolTips[paragraph]) {
        m_doubtToolTips[paragraph] = std::move(tip);
        m_textView->viewport()->update();
    }
}

QString TranscriptEditorView::doubtToolTip(std::size_t paragraph) const {
    return paragraph < m_doubtToolTips.size() ? m_doubtToolTips[paragraph] : QString();
}

std::optional<QRectF> TranscriptEditorView::doubtMarkArea(std::size_t paragraph) const {
    if (doubtToolTip(paragraph).isEmpty()) {
        return std::nullopt;
    }
    QTextCursor cursor(m_textView->document());
    cursor.setPosition(int(m_layout.paragraphs[paragraph].timeRange.location));
    const QRect time = m_textView->cursorRect(cursor);
    return QRectF(0, time.top(), time.left(), time.height());
}

void TranscriptEditorView::paintDoubtMarks(QPainter& painter) const {
    const QRect visible = m_textView->viewport()->rect();
    for (std::size_t i = 0; i < m_doubtToolTips.size(); ++i) {
        const auto area = doubtMarkArea(i);
        if (!area || area->bottom() < visible.top() || area->top() > visible.bottom()) {
            continue;
        }
        const QPointF centre(area->right() - 4 - DoubtMark::diameter / 2.0, area->center().y());
        DoubtMark::paint(painter, centre, palette());
    }
}

bool TranscriptEditorView::showDoubtToolTip(const QHelpEvent& event) const {
    const auto index =
        m_layout.paragraphIndex(m_textView->cursorForPosition(event.pos()).position());
    const auto area = index ? doubtMarkArea(*index) : std::nullopt;
    if (!area || !area->contains(event.pos())) {
        return false;
    }
    QToolTip::showText(event.globalPos(), m_doubtToolTips[*index], m_textView->viewport(),
                       area->toRect());
    return true;
}

bool TranscriptEditorView::isTyping() const {
    return m_sinceTyping.isValid() && m_sinceTyping.elapsed() < typingPauseMs;
}

std::optional<std::size_t> TranscriptEditorView::paragraphOfSegment(std::int64_t segment) const {
    const auto& paragraphs = m_layout.paragraphs;
    const auto found = std::find_if(paragraphs.begin(), paragraphs.end(),
                                    [&](const auto& p) { return p.segmentID == segment; });
    return found == paragraphs.end() ? std::nullopt
                                     : std::optional(std::size_t(found - paragraphs.begin()));
}

std::optional<std::size_t> TranscriptEditorView::paragraphPlayingAt(double seconds) const {
    const auto& paragraphs = m_layout.paragraphs;
    const auto after = std::upper_bound(paragraphs.begin(), paragraphs.end(), seconds,
                                        [](double t, const auto& p) { return t < p.start; });
    if (after == paragraphs.begin()) {
        return std::nullopt;
    }
    const std::size_t index = std::size_t(after - paragraphs.begin()) - 1;
    const auto& segments = m_editor.document().segments;
    const auto id = paragraphs[index].segmentID;
    // In the silence after a segment, nothing is being spoken.
    if (id >= 0 && std::size_t(id) < segments.size() && seconds > segments[std::size_t(id)].end) {
        return std::nullopt;
    }
    return index;
}

void TranscriptEditorView::followPlayback() {
    const bool started = m_player.isPlaying() || m_player.currentTime() > 0;
    const auto playing = started ? paragraphPlayingAt(m_player.currentTime()) : std::nullopt;
    if (playing == m_playing) {
        return;
    }
    m_playing = playing;
    updateHighlights();
    if (!playing) {
        return;
    }
    if (isInView(*playing)) {
        m_followPaused = false; // the user came back to it
    } else if (!m_followPaused && !isTyping()) {
        scrollTo(*playing);
    }
}

void TranscriptEditorView::scrolled() {
    if (m_autoScrolling || isTyping() || !m_playing) {
        return;
    }
    m_followPaused = !isInView(*m_playing);
}

bool TranscriptEditorView::isInView(std::size_t paragraph) const {
    const QTextBlock block = m_textView->document()->findBlockByNumber(int(paragraph));
    const QRectF rect = m_textView->document()->documentLayout()->blockBoundingRect(block);
    const double top = m_textView->verticalScrollBar()->value();
    const double height = m_textView->viewport()->height();
    return rect.top() >= top && rect.top() + std::min(rect.height(), height) <= top + height;
}

void TranscriptEditorView::scrollTo(std::size_t paragraph) {
    const QTextBlock block = m_textView->document()->findBlockByNumber(int(paragraph));
    const QRectF rect = m_textView->document()->documentLayout()->blockBoundingRect(block);
    QScrollBar* bar = m_textView->verticalScrollBar();
    // A third of the way down, so that what comes next is in view too.
    const int value = int(rect.top() - m_textView->viewport()->height() / 3.0);
    m_autoScrolling = true;
    bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
    m_autoScrolling = false;
}

void TranscriptEditorView::setSearchMatches(std::vector<SegmentMatch> matches, bool showFirst) {
    m_matches = std::move(matches);
    if (showFirst || (m_currentMatch && *m_currentMatch >= m_matches.size())) {
        m_currentMatch.reset();
    }
    if (showFirst && !m_matches.empty()) {
        m_currentMatch = 0;
        // Once the view has its size: it may have been made a moment ago.
        QMetaObject::invokeMethod(
            this,
            [this, segment = m_matches.front().segment] {
                if (const auto paragraph = paragraphOfSegment(segment);
                    paragraph && !isInView(*paragraph)) {
                    scrollTo(*paragraph);
                }
            },
            Qt::QueuedConnection);
    }
    updateHighlights();
}

void TranscriptEditorView::showMatch(int step) {
    if (m_matches.empty()) {
        return;
    }
    const std::size_t count = m_matches.size();
    if (!m_currentMatch) {
        m_currentMatch = step > 0 ? 0 : count - 1;
    } else {
        const int n = int(count);
        m_currentMatch = std::size_t(((int(*m_currentMatch) + step) % n + n) % n);
    }
    updateHighlights();
    const SegmentMatch& match = m_matches[*m_currentMatch];
    const auto paragraph = paragraphOfSegment(match.segment);
    if (!paragraph) {
        return;
    }
    if (!isInView(*paragraph)) {
        scrollTo(*paragraph);
    }
    const TextRange& text = m_layout.paragraphs[*paragraph].textRange;
    std::int64_t position = text.location;
    const auto& segments = m_editor.document().segments;
    if (!match.text.marks.empty() && std::size_t(match.segment) < segments.size() &&
        segments[std::size_t(match.segment)].text == match.text.text) {
        position += std::int64_t(unicode::utf16Length(
            std::string_view(match.text.text).substr(0, match.text.marks.front().start)));
    }
    QTextCursor cursor(m_textView->document());
    cursor.setPosition(int(std::min(position, text.end())));
    m_textView->setTextCursor(cursor);
}

void TranscriptEditorView::updateHighlights() {
    QTextDocument* document = m_textView->document();
    QList<QTextEdit::ExtraSelection> selections;
    if (m_playing && *m_playing < m_layout.paragraphs.size()) {
        const auto& paragraph = m_layout.paragraphs[*m_playing];
        selections << highlight(document, paragraph.timeRange.location - 1,
                                paragraph.textRange.end(), playingBackground, true);
    }
    const auto& segments = m_editor.document().segments;
    for (std::size_t i = 0; i < m_matches.size(); ++i) {
        const SegmentMatch& match = m_matches[i];
        const auto paragraph = paragraphOfSegment(match.segment);
        if (!paragraph) {
            continue;
        }
        const TextRange& text = m_layout.paragraphs[*paragraph].textRange;
        selections << highlight(document, text.location, text.end(), matchBackground);
        // The words only while the segment still reads as the index has it.
        if (std::size_t(match.segment) >= segments.size() ||
            segments[std::size_t(match.segment)].text != match.text.text) {
            continue;
        }
        const std::string_view indexed(match.text.text);
        for (const auto& mark : match.text.marks) {
            const auto start =
                text.location + std::int64_t(unicode::utf16Length(indexed.substr(0, mark.start)));
            const auto length =
                std::int64_t(unicode::utf16Length(indexed.substr(mark.start, mark.length)));
            selections << highlight(document, start, std::min(start + length, text.end()),
                                    m_currentMatch == i ? currentWordBackground : wordBackground);
        }
    }
    m_textView->setExtraSelections(selections);
}

} // namespace bw::ui
