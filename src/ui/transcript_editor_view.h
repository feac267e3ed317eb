// The editable transcript of one recording: one paragraph per segment, laid out by
// TranscriptText, with the segment's start time right-aligned in a narrow column as a link and
// the text wrapping under its first line. Only segment texts can change; each accepted edit goes
// to the editor model, which saves it. A click on a time label moves the player there without
// starting it or entering editing; the context menu restores a segment's original text.
//
// A segment the engine doubted has a DoubtMark dot before its time, with the reasons in a
// tooltip, until it is edited; under the text a quiet line tells how many stretches of speech
// gave no text, when any did.
//
// While a search is on, the segments it matched are highlighted, their matched words more
// strongly; showMatch() moves between them. While the recording plays, the segment being spoken
// is highlighted and kept in view, unless the user scrolled away from it (following starts again
// once it is back in view, on a click on a time, or when playback starts) or typed in the last
// couple of seconds.
//
// Made for one editor model (the section makes a new view for each recording); the model and
// the player must outlive it. It saves the model when the text loses the focus; whoever takes
// the view down decides whether what is left is saved. Main thread only.
#pragma once

#include "search/search_match.h"
#include "transcripts/transcript_text.h"
#include "ui/text_edit_history.h"

#include <QElapsedTimer>
#include <QTextBlockFormat>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QHelpEvent;
class QLabel;
class QMenu;
class QPainter;

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

    // No automatic scrolling for this long after the last key typed in the text.
    static constexpr int typingPauseMs = 2000;

    TranscriptTextView& textView() const { return *m_textView; }
    const TranscriptText& layout() const { return m_layout; }
    bool isEditingText() const { return m_isEditingText; }

    // The search's matches in this transcript, in time order; with `showFirst`, the first is
    // scrolled into view and becomes the current one.
    void setSearchMatches(std::vector<SegmentMatch> matches, bool showFirst);
    const std::vector<SegmentMatch>& searchMatches() const { return m_matches; }
    // Makes the next (`step` 1) or previous (-1) match the current one, round the end, and
    // shows it with the text cursor at its first matched word.
    void showMatch(int step);
    // The current match's index in searchMatches(); none before the first is shown.
    std::optional<std::size_t> currentMatch() const { return m_currentMatch; }
    // The paragraph of the segment being played; none when nothing plays.
    std::optional<std::size_t> playingParagraph() const { return m_playing; }
    // Whether the playing segment is kept in view now.
    bool isFollowing() const { return !m_followPaused; }

    // The tooltip of the paragraph's doubt mark; empty when it has none.
    QString doubtToolTip(std::size_t paragraph) const;
    // Where the paragraph's doubt mark answers with its tooltip, in viewport coordinates: the
    // first line up to its time label, the dot drawn at its right end. None without a mark.
    std::optional<QRectF> doubtMarkArea(std::size_t paragraph) const;
    // "2 stretches of speech gave no text"; hidden when all the speech gave text.
    QLabel& unrecognizedSpeechNote() const { return *m_unrecognized; }

signals:
    // The text gained (true) or lost (false) the keyboard focus.
    void editingTextChanged(bool editing);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    std::optional<std::size_t> paragraphOfSegment(std::int64_t segment) const;
    std::optional<std::size_t> paragraphPlayingAt(double seconds) const;
    void followPlayback();
    void scrolled();
    bool isTyping() const;
    bool isInView(std::size_t paragraph) const;
    void scrollTo(std::size_t paragraph);
    void updateHighlights();
    void updateDoubtMark(std::size_t paragraph);
    void paintDoubtMarks(QPainter& painter) const;
    bool showDoubtToolTip(const QHelpEvent& event) const;

    TranscriptEditorModel& m_editor;
    PlaybackModel& m_player;
    TranscriptTextView* m_textView;
    TranscriptText m_layout;
    std::vector<QString> m_doubtToolTips; // one per paragraph, empty where it has no mark
    QLabel* m_unrecognized;
    bool m_isEditingText = false;
    bool m_isReloadScheduled = false;

    std::vector<SegmentMatch> m_matches;
    std::optional<std::size_t> m_currentMatch;
    std::optional<std::size_t> m_playing;
    bool m_followPaused = false;
    bool m_autoScrolling = false;
    QElapsedTimer m_sinceTyping; // invalid until the first key
};

} // namespace bw::ui
