// The segments a running transcription has produced so far, one row each: the start time in a
// column of its own (with a DoubtMark after it when the engine doubted the text) and the text
// beside it, both dimmed; where a segment names its speaker (a two-track recording), "Me:" or
// "Others:" before the text. New segments are added as rows; the view follows the end while it is
// scrolled there.
#pragma once

#include "transcription/transcript_segment.h"
#include "ui/transcript_editor_view.h"

#include <QScrollArea>

#include <optional>
#include <vector>

class QVBoxLayout;

namespace bw::ui {

class LiveTranscriptView : public QScrollArea {
    Q_OBJECT

public:
    // The same column as the transcript editor's time labels.
    static constexpr int timeColumnWidth = int(TranscriptEditorView::timeColumnWidth);

    explicit LiveTranscriptView(QWidget* parent = nullptr);

    // Shows these segments; those already shown are kept when the list only grew.
    void setSegments(const std::vector<TranscriptSegment>& segments);
    int rowCount() const { return m_count; }

private:
    void clear();
    void addRow(const TranscriptSegment& segment);

    QWidget* m_rows;
    QVBoxLayout* m_layout;
    int m_count = 0;
    std::optional<TranscriptSegment> m_last;
};

} // namespace bw::ui
