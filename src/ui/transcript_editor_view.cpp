#include "ui/transcript_editor_view.h"

#include "library/playback_model.h"
#include "transcripts/transcript_editor_model.h"
#include "ui/transcript_text_view.h"

#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QVBoxLayout>

namespace bw::ui {

TranscriptEditorView::TranscriptEditorView(TranscriptEditorModel& editor, PlaybackModel& player,
                                           QWidget* parent)
    : QWidget(parent), m_editor(editor), m_player(player),
      m_textView(new TranscriptTextView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_textView);

    m_textView->setFrameShape(QFrame::NoFrame);
    m_textView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_textView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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

    m_textView->shouldChange = [this](const auto& edits) { return shouldChange(edits); };
    m_textView->didChange = [this](TextRange replaced, std::int64_t change) {
        didChange(replaced, change);
    };
    m_textView->linkClicked = [this](std::int64_t position) { seekToLabel(position); };
    m_textView->extendContextMenu = [this](QMenu& menu, std::int64_t position) {
        addRestoreItem(menu, position);
    };
    m_textView->onFocusChange = [this](bool focused) { focusChanged(focused); };
    m_textView->unexpectedChange = [this] { scheduleReload(); };
    // A transcript changed by another process comes back only when nothing here is unsaved.
    connect(&m_editor, &TranscriptEditorModel::reloaded, this, &TranscriptEditorView::reload);
    reload();
}

TranscriptEditorView::~TranscriptEditorView() {
    // The text view goes after this body; what it still reports must not reach this object.
    m_textView->shouldChange = nullptr;
    m_textView->didChange = nullptr;
    m_textView->onFocusChange = nullptr;
    m_textView->unexpectedChange = nullptr;
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
        }
    });
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
}

void TranscriptEditorView::seekToLabel(std::int64_t position) {
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
    const auto& segments = m_editor.document().segments;
    const auto id = m_layout.paragraphs[*index].segmentID;
    const bool edited = id >= 0 && std::size_t(id) < segments.size() && segments[id].isEdited();
    QAction* restore = menu.addAction("Restore Original Text", this, [this, paragraph = *index] {
        restoreOriginalText(paragraph);
    });
    restore->setData(qulonglong(*index));
    restore->setEnabled(edited);
    menu.addSeparator();
}

void TranscriptEditorView::restoreOriginalText(std::size_t paragraph) {
    const auto& segments = m_editor.document().segments;
    if (paragraph >= m_layout.paragraphs.size()) {
        return;
    }
    const auto& laidOut = m_layout.paragraphs[paragraph];
    if (laidOut.segmentID < 0 || std::size_t(laidOut.segmentID) >= segments.size()) {
        return;
    }
    const QString original = QString::fromStdString(segments[laidOut.segmentID].originalText);
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
