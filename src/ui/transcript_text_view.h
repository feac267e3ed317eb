// The text view of the transcript editor. Every change of its text goes through one gate: typing,
// input methods, deleting, cutting, pasting, dropping, undo and redo become replacements of
// ranges of the current text, which the owner accepts or refuses (shouldChange) before anything
// changes. Accepted replacements are written in the base character format, kept on the view's
// own undo history (the document's is off, so undo can never bring back a refused state) and
// reported one by one (didChange). Line breaks never enter: Return does nothing and pasted line
// breaks become spaces. Tab moves the focus; clicks on links are reported instead of moving the
// cursor; only plain text goes to the clipboard and to drags.
//
// A change that reaches the document some other way (a Qt code path this view does not know)
// is reported through unexpectedChange, so that the owner can rebuild the text.
#pragma once

#include "transcripts/transcript_text.h"
#include "ui/text_edit_history.h"

#include <QTextCharFormat>
#include <QTextEdit>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QMenu;
class QPainter;

namespace bw::ui {

class TranscriptTextView : public QTextEdit {
    Q_OBJECT

public:
    explicit TranscriptTextView(QWidget* parent = nullptr);

    // What the view asks and tells its owner; an empty callback is not called.
    struct Owner {
        // Asked before replacements are made; all ranges are in the current text.
        std::function<bool(const std::vector<TextEdit>& edits)> shouldChange;
        // Told after each replacement: the range it replaced, in the text before it, and the
        // change in length it caused.
        std::function<void(TextRange replaced, std::int64_t changeInLength)> didChange;
        // A left click on a link, with the position of the character clicked.
        std::function<void(std::int64_t position)> linkClicked;
        // Lets the owner put its own items at the top of the context menu for a position.
        std::function<void(QMenu& menu, std::int64_t position)> extendContextMenu;
        // Keyboard focus gained (true) or lost (false); a popup menu or another window being
        // active does not count as losing it.
        std::function<void(bool focused)> onFocusChange;
        std::function<void()> unexpectedChange;
        // Draws over the text, in viewport coordinates, after the view has drawn it.
        std::function<void(QPainter& painter)> paintOver;
    };
    // Replaces the owner's callbacks; Owner{} stops every call to the previous owner.
    void setOwner(Owner owner) { m_owner = std::move(owner); }

    // Replaces the whole text with what `write` inserts through the cursor it is given; this
    // is not an edit, and the undo history starts afresh.
    void load(const std::function<void(QTextCursor& cursor)>& write);
    // The format typed and pasted text gets.
    void setBaseFormat(const QTextCharFormat& format) { m_baseFormat = format; }
    const QTextCharFormat& baseFormat() const { return m_baseFormat; }

    // The gate: makes the replacements when they are acceptable and tells whether it did.
    // A replacement with line breaks has them turned into spaces (refused when there are
    // several replacements). `actionName` names the undo step.
    bool replace(std::vector<TextEdit> edits, const QString& actionName = {});
    // The text of a range of the current text.
    QString textIn(TextRange range) const;

    void breakUndoCoalescing() { m_history.breakCoalescing(); }

    // The context menu for a point of the viewport: the owner's items, then the editing
    // commands. The caller owns it.
    QMenu* createContextMenu(const QPoint& viewportPosition);
    // True only while a mouse press that gave this view the focus is being handled.
    bool isFocusedByCurrentClick() const { return m_isFocusedByCurrentClick; }

public slots:
    // These take the place of QTextEdit's slots of the same names (which a menu may invoke by
    // name), so that they pass the gate too. undoAvailable and redoAvailable follow this
    // view's history.
    void undo();
    void redo();
    void cut();
    void paste();
    void deleteSelection();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    enum class Origin { edit, typing, undo, redo };

    bool apply(std::vector<TextEdit> edits, Origin origin, const QString& actionName = {});
    TextEdit selectionEdit(const QString& text) const;
    std::optional<TextEdit> deletionFor(const QKeyEvent* event) const;
    void setFocused(bool focused);
    void announceHistory();
    bool canUndoEdit() const { return m_history.undoStep() != nullptr; }
    bool canRedoEdit() const { return m_history.redoStep() != nullptr; }

    Owner m_owner;
    QTextCharFormat m_baseFormat;
    TextEditHistory m_history;
    bool m_isApplying = false; // the document changes through the gate or load()
    bool m_isFocused = false;
    bool m_focusedByMouse = false;
    bool m_isFocusedByCurrentClick = false;
    bool m_swallowsRelease = false;
};

} // namespace bw::ui
