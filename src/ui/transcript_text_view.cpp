#include "ui/transcript_text_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace bw::ui {

namespace {

bool hasLineBreak(const QString& text) {
    return TranscriptText::containsLineBreak(text.toStdString());
}

QString singleLine(const QString& text) {
    return QString::fromStdString(TranscriptText::singleLine(text.toStdString()));
}

// The cursor's selection (or its position) and what should replace it.
TextEdit editOf(const QTextCursor& cursor, const QString& text) {
    return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart(), text};
}

// Alt or Super with a key, without Control: on this desktop a menu's mnemonic or the window
// manager's, which Qt's editor would otherwise type.
bool isWindowChord(const QKeyEvent* event) {
    const auto modifiers = event->modifiers();
    return !event->text().isEmpty() && !(modifiers & Qt::ControlModifier) &&
           (modifiers & (Qt::AltModifier | Qt::MetaModifier));
}

// Whether a key press types its text, as Qt's own editors decide it: Control alone or with
// Shift is a command, while Control with Alt (AltGr on some keyboards) still types.
bool typesText(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty()) {
        return false;
    }
    const QChar first = text.front();
    if (first.category() == QChar::Other_Format) {
        return true;
    }
    const auto modifiers = event->modifiers();
    if (modifiers == Qt::ControlModifier ||
        modifiers == (Qt::ShiftModifier | Qt::ControlModifier)) {
        return false;
    }
    return first.isPrint() || first.category() == QChar::Other_PrivateUse ||
           (first.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

QString withShortcut(const QString& title, QKeySequence::StandardKey key) {
    const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
    return shortcut.isEmpty() ? title : title + '\t' + shortcut;
}

} // namespace

TranscriptTextView::TranscriptTextView(QWidget* parent) : QTextEdit(parent) {
    // The view keeps its own history of accepted edits; the document's could undo into a
    // state the layout never allowed.
    setUndoRedoEnabled(false);
    setAcceptRichText(false);
    setTabChangesFocus(true);
    setTextInteractionFlags(Qt::TextEditorInteraction | Qt::LinksAccessibleByMouse);
    viewport()->setMouseTracking(true);
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        // Equal counts are format changes (and input-method composition), not text.
        if (!m_isApplying && removed != added && m_owner.unexpectedChange) {
            m_owner.unexpectedChange();
        }
    });
}

void TranscriptTextView::load(const std::function<void(QTextCursor& cursor)>& write) {
    const int position = textCursor().position();
    m_isApplying = true;
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.setBlockFormat(QTextBlockFormat());
    cursor.setCharFormat(m_baseFormat);
    write(cursor);
    m_isApplying = false;
    m_history.clear();
    announceHistory();
    QTextCursor restored(document());
    restored.setPosition(std::min(position, document()->characterCount() - 1));
    setTextCursor(restored);
}

bool TranscriptTextView::replace(std::vector<TextEdit> edits, const QString& actionName) {
    return apply(std::move(edits), Origin::edit, actionName);
}

QString TranscriptTextView::textIn(TextRange range) const {
    QTextCursor cursor(document());
    cursor.setPosition(int(range.location));
    cursor.setPosition(int(range.end()), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

bool TranscriptTextView::apply(std::vector<TextEdit> edits, Origin origin,
                               const QString& actionName) {
    std::erase_if(edits,
                  [](const TextEdit& edit) { return edit.length == 0 && edit.text.isEmpty(); });
    if (edits.empty()) {
        return false;
    }
    for (auto& edit : edits) {
        if (hasLineBreak(edit.text)) {
            if (edits.size() > 1) {
                return false;
            }
            edit.text = singleLine(edit.text);
        }
    }
    // From the end backwards, so that each range is still where it was when it is replaced.
    std::sort(edits.begin(), edits.end(),
              [](const TextEdit& a, const TextEdit& b) { return a.location > b.location; });
    const std::int64_t size = document()->characterCount() - 1;
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (edits[i].location < 0 || edits[i].length < 0 || edits[i].end() > size ||
            (i > 0 && edits[i].end() > edits[i - 1].location)) {
            return false;
        }
    }
    if (!m_owner.shouldChange || !m_owner.shouldChange(edits)) {
        return false;
    }

    TextEditHistory::Step step{edits, {}, actionName, origin == Origin::typing};
    for (const auto& edit : edits) {
        QTextCursor cursor(document());
        cursor.setPosition(int(edit.location));
        cursor.setPosition(int(edit.end()), QTextCursor::KeepAnchor);
        const QString removed = cursor.selectedText();
        m_isApplying = true;
        if (edit.text.isEmpty()) {
            cursor.removeSelectedText();
        } else {
            cursor.insertText(edit.text, m_baseFormat);
        }
        m_isApplying = false;
        step.backward.push_back({edit.location, edit.text.size(), removed});
        if (m_owner.didChange) {
            m_owner.didChange({edit.location, edit.length}, edit.text.size() - edit.length);
        }
    }
    // The replacements made after one (lower in the text) moved where its new text ended up.
    std::int64_t shift = 0;
    for (std::size_t i = step.backward.size(); i-- > 0;) {
        step.backward[i].location += shift;
        shift += edits[i].text.size() - edits[i].length;
    }
    // The cursor goes after the new text (of the last replacement that brought any).
    const TextEdit* landing = &step.backward.back();
    for (const auto& edit : step.backward) {
        if (edit.length > 0) {
            landing = &edit;
        }
    }
    QTextCursor cursor(document());
    cursor.setPosition(int(landing->end()));
    setTextCursor(cursor);

    switch (origin) {
    case Origin::edit:
    case Origin::typing:
        m_history.record(std::move(step));
        break;
    case Origin::undo:
        m_history.didUndo();
        break;
    case Origin::redo:
        m_history.didRedo();
        break;
    }
    announceHistory();
    return true;
}

TextEdit TranscriptTextView::selectionEdit(const QString& text) const {
    return editOf(textCursor(), text);
}

void TranscriptTextView::undo() {
    if (const auto* step = m_history.undoStep()) {
        apply(step->backward, Origin::undo);
    }
}

void TranscriptTextView::redo() {
    if (const auto* step = m_history.redoStep()) {
        apply(step->forward, Origin::redo);
    }
}

void TranscriptTextView::cut() {
    if (!textCursor().hasSelection()) {
        return;
    }
    QMimeData* data = createMimeDataFromSelection();
    if (apply({selectionEdit({})}, Origin::edit)) {
        QApplication::clipboard()->setMimeData(data);
    } else {
        delete data;
    }
}

void TranscriptTextView::paste() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data && data->hasText()) {
        apply({selectionEdit(data->text())}, Origin::edit);
    }
}

void TranscriptTextView::deleteSelection() {
    if (textCursor().hasSelection()) {
        apply({selectionEdit({})}, Origin::edit);
    }
}

std::optional<TextEdit> TranscriptTextView::deletionFor(const QKeyEvent* event) const {
    // Without a selection, each key deletes up to where the cursor would move.
    struct Deletion {
        QKeySequence::StandardKey key;
        QTextCursor::MoveOperation extent;
    };
    static constexpr Deletion deletions[] = {
        {QKeySequence::Backspace, QTextCursor::PreviousCharacter},
        {QKeySequence::Delete, QTextCursor::NextCharacter},
        {QKeySequence::DeleteStartOfWord, QTextCursor::PreviousWord},
        {QKeySequence::DeleteEndOfWord, QTextCursor::NextWord},
        {QKeySequence::DeleteEndOfLine, QTextCursor::EndOfBlock},
    };
    QTextCursor cursor = textCursor();
    if (event->matches(QKeySequence::DeleteCompleteLine)) {
        cursor.select(QTextCursor::BlockUnderCursor);
        return editOf(cursor, {});
    }
    const bool plainBackspace =
        event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier);
    for (const auto& deletion : deletions) {
        if (event->matches(deletion.key) ||
            (plainBackspace && deletion.key == QKeySequence::Backspace)) {
            if (!cursor.hasSelection()) {
                cursor.movePosition(deletion.extent, QTextCursor::KeepAnchor);
            }
            return editOf(cursor, {});
        }
    }
    return std::nullopt;
}

void TranscriptTextView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        undo();
    } else if (event->matches(QKeySequence::Redo)) {
        redo();
    } else if (event->matches(QKeySequence::Cut)) {
        cut();
    } else if (event->matches(QKeySequence::Paste)) {
        paste();
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Each paragraph is one segment: there is no line to break.
    } else if (auto deletion = deletionFor(event)) {
        apply({*deletion}, Origin::edit);
    } else if (isWindowChord(event)) {
        event->ignore(); // for the menus' mnemonics and the desktop, never typed
        return;
    } else if (typesText(event)) {
        apply({selectionEdit(event->text())}, Origin::typing);
    } else {
        QTextEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TranscriptTextView::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        TextEdit edit = selectionEdit(event->commitString());
        if (!textCursor().hasSelection()) {
            edit.location += event->replacementStart();
            edit.length = event->replacementLength();
        }
        apply({edit}, Origin::typing);
    }
    // Qt removes the selection when composition starts: only let it when it may go.
    if (!event->preeditString().isEmpty() && textCursor().hasSelection() &&
        !apply({selectionEdit({})}, Origin::edit)) {
        QTextCursor cursor = textCursor();
        cursor.clearSelection();
        setTextCursor(cursor);
    }
    QInputMethodEvent composition(event->preeditString(), event->attributes());
    QTextEdit::inputMethodEvent(&composition);
    event->accept();
}

void TranscriptTextView::mousePressEvent(QMouseEvent* event) {
    m_isFocusedByCurrentClick = m_focusedByMouse;
    m_focusedByMouse = false;
    m_swallowsRelease = false;
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !anchorAt(point).isEmpty()) {
        // A click on a time label acts on it and leaves the cursor where it was.
        m_swallowsRelease = true;
        if (m_owner.linkClicked) {
            m_owner.linkClicked(cursorForPosition(point).position());
        }
        event->accept();
    } else {
        QTextEdit::mousePressEvent(event);
    }
    m_isFocusedByCurrentClick = false;
}

void TranscriptTextView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_swallowsRelease) {
        m_swallowsRelease = false;
        event->accept();
        return;
    }
    QTextEdit::mouseReleaseEvent(event);
}

void TranscriptTextView::mouseMoveEvent(QMouseEvent* event) {
    QTextEdit::mouseMoveEvent(event);
    const bool overLink = !anchorAt(event->position().toPoint()).isEmpty();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

QMenu* TranscriptTextView::createContextMenu(const QPoint& viewportPosition) {
    auto* menu = new QMenu(this);
    if (m_owner.extendContextMenu) {
        m_owner.extendContextMenu(*menu, cursorForPosition(viewportPosition).position());
    }
    const auto* undoStep = m_history.undoStep();
    const auto* redoStep = m_history.redoStep();
    auto stepTitle = [](const QString& verb, const TextEditHistory::Step* step) {
        return step && !step->actionName.isEmpty() ? verb + ' ' + step->actionName : verb;
    };
    menu->addAction(withShortcut(stepTitle("Undo", undoStep), QKeySequence::Undo), this,
                    &TranscriptTextView::undo)
        ->setEnabled(undoStep != nullptr);
    menu->addAction(withShortcut(stepTitle("Redo", redoStep), QKeySequence::Redo), this,
                    &TranscriptTextView::redo)
        ->setEnabled(redoStep != nullptr);
    menu->addSeparator();
    const bool hasSelection = textCursor().hasSelection();
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    menu->addAction(withShortcut("Cut", QKeySequence::Cut), this, &TranscriptTextView::cut)
        ->setEnabled(hasSelection);
    menu->addAction(withShortcut("Copy", QKeySequence::Copy), this, &QTextEdit::copy)
        ->setEnabled(hasSelection);
    menu->addAction(withShortcut("Paste", QKeySequence::Paste), this, &TranscriptTextView::paste)
        ->setEnabled(clipboard && clipboard->hasText());
    menu->addAction("Delete", this, &TranscriptTextView::deleteSelection)->setEnabled(hasSelection);
    menu->addSeparator();
    menu->addAction(withShortcut("Select All", QKeySequence::SelectAll), this,
                    &QTextEdit::selectAll);
    return menu;
}

void TranscriptTextView::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint point =
        event->reason() == QContextMenuEvent::Keyboard ? cursorRect().center() : event->pos();
    QMenu* menu = createContextMenu(point);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TranscriptTextView::dropEvent(QDropEvent* event) {
    QDragLeaveEvent leave;
    QTextEdit::dragLeaveEvent(&leave); // takes the drop caret away
    const QMimeData* data = event->mimeData();
    if (!canInsertFromMimeData(data)) {
        event->ignore();
        return;
    }
    const std::int64_t target = cursorForPosition(event->position().toPoint()).position();
    std::vector<TextEdit> edits{{target, 0, data->text()}};
    Qt::DropAction action = Qt::CopyAction;
    const bool fromHere = event->source() == this || event->source() == viewport();
    const QTextCursor cursor = textCursor();
    if (fromHere && event->dropAction() == Qt::MoveAction && cursor.hasSelection()) {
        if (target >= cursor.selectionStart() && target <= cursor.selectionEnd()) {
            event->ignore(); // dropped onto itself
            return;
        }
        // A move is one edit of two ranges, which must lie in the same segment.
        edits.push_back(editOf(cursor, {}));
        action = Qt::MoveAction;
    }
    if (apply(std::move(edits), Origin::edit)) {
        event->setDropAction(action);
        event->accept();
    } else {
        event->ignore();
    }
}

void TranscriptTextView::focusInEvent(QFocusEvent* event) {
    QTextEdit::focusInEvent(event);
    if (event->reason() == Qt::PopupFocusReason) {
        return;
    }
    m_focusedByMouse = event->reason() == Qt::MouseFocusReason;
    setFocused(true);
}

void TranscriptTextView::paintEvent(QPaintEvent* event) {
    QTextEdit::paintEvent(event);
    if (m_owner.paintOver) {
        QPainter painter(viewport());
        m_owner.paintOver(painter);
    }
}

void TranscriptTextView::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) {
        return;
    }
    m_focusedByMouse = false;
    setFocused(false);
}

void TranscriptTextView::announceHistory() {
    emit undoAvailable(canUndoEdit());
    emit redoAvailable(canRedoEdit());
}

void TranscriptTextView::setFocused(bool focused) {
    if (focused != m_isFocused) {
        m_isFocused = focused;
        if (m_owner.onFocusChange) {
            m_owner.onFocusChange(focused);
        }
    }
}

QMimeData* TranscriptTextView::createMimeDataFromSelection() const {
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}

bool TranscriptTextView::canInsertFromMimeData(const QMimeData* source) const {
    // Qt offers dragged files as text too (their URLs); those are left to the window, which
    // imports them.
    if (!source || !source->hasText()) {
        return false;
    }
    const QList<QUrl> urls = source->urls();
    return std::none_of(urls.begin(), urls.end(),
                        [](const QUrl& url) { return url.isLocalFile(); });
}

void TranscriptTextView::insertFromMimeData(const QMimeData* source) {
    if (canInsertFromMimeData(source)) {
        apply({selectionEdit(source->text())}, Origin::edit);
    }
}

} // namespace bw::ui
