// The editable transcript of one recording: one paragraph per segment, laid out by
// TranscriptText, with the segment's start time right-aligned in a narrow column as a link and
// the text wrapping under its first line. Only segment texts can change; each accepted edit goes
// to the editor model, which saves it. A click on a time label moves the player there without
// starting it or entering editing; the context menu restores a segment's original text.
//
// Made for one editor model (the section makes a new view for each recording); the model and
// the player must outlive it. It saves the model when the text loses the focus; whoever takes
// the view down decides whether what is left is saved. Main thread only.
#pragma once

#include "transcripts/transcript_text.h"
#include "ui/text_edit_history.h"

#include <QTextBlockFormat>
#include <QWidget>

#include <cstdint>
#include <vector>

class QMenu;

namespace bw {
class PlaybackModel;
class TranscriptEditorModel;
} // namespace bw

namespace bw::ui {

class TranscriptTextView;

class TranscriptEditorView : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal timeColumnWidth = 56; // the time labels end here
    static constexpr qreal textIndent = 68;      // every line of a segment's text starts here
    static constexpr qreal paragraphSpacing = 10;

    TranscriptEditorView(TranscriptEditorModel& editor, PlaybackModel& player,
                         QWidget* parent = nullptr);
    ~TranscriptEditorView() override;

    TranscriptTextView& textView() const { return *m_textView; }
    const TranscriptText& layout() const { return m_layout; }
    bool isEditingText() const { return m_isEditingText; }

signals:
    // The text gained (true) or lost (false) the keyboard focus.
    void editingTextChanged(bool editing);

private:
    void reload();
    void scheduleReload();
    bool shouldChange(const std::vector<TextEdit>& edits) const;
    void didChange(TextRange replaced, std::int64_t changeInLength);
    void seekToLabel(std::int64_t position);
    void addRestoreItem(QMenu& menu, std::int64_t position);
    void restoreOriginalText(std::size_t paragraph);
    void focusChanged(bool focused);
    QTextBlockFormat paragraphFormat() const;

    TranscriptEditorModel& m_editor;
    PlaybackModel& m_player;
    TranscriptTextView* m_textView;
    TranscriptText m_layout;
    bool m_isEditingText = false;
    bool m_isReloadScheduled = false;
};

} // namespace bw::ui
