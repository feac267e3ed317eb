// The discreet mark of a segment whose text the engine doubted: a small dot in a muted amber
// taken towards the palette's dimmed text colour, with the reasons in its tooltip. As a widget it
// stands beside a time in the live transcript; the editor paints the same dot with paint().
#pragma once

#include "transcription/segment_doubt.h"

#include <QWidget>

#include <vector>

class QPainter;

namespace bw::ui {

class DoubtMark : public QWidget {
    Q_OBJECT

public:
    static constexpr int diameter = 6;

    explicit DoubtMark(const std::vector<SegmentDoubt>& doubts, QWidget* parent = nullptr);

    // "Doubtful: " and the reasons, e.g. "Doubtful: repeats the previous line".
    static QString toolTipFor(const std::vector<SegmentDoubt>& doubts);
    // The dot, centred on `centre`.
    static void paint(QPainter& painter, QPointF centre, const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace bw::ui
