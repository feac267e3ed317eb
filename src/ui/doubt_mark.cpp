#include "ui/doubt_mark.h"

#include <QPainter>

namespace bw::ui {

namespace {

// Amber, but only half of it: the rest is the palette's dimmed text, so that the dot sits as
// quietly in a dark theme as in a light one.
QColor markColour(const QPalette& palette) {
    const QColor dimmed = palette.color(QPalette::PlaceholderText);
    const QColor amber(225, 150, 30);
    return QColor((dimmed.red() + amber.red()) / 2, (dimmed.green() + amber.green()) / 2,
                  (dimmed.blue() + amber.blue()) / 2);
}

} // namespace

DoubtMark::DoubtMark(const std::vector<SegmentDoubt>& doubts, QWidget* parent) : QWidget(parent) {
    setFixedSize(diameter + 2, diameter + 2);
    setToolTip(toolTipFor(doubts));
    setAccessibleName(toolTipFor(doubts));
}

QString DoubtMark::toolTipFor(const std::vector<SegmentDoubt>& doubts) {
    return "Doubtful: " + QString::fromStdString(describe(doubts));
}

void DoubtMark::paint(QPainter& painter, QPointF centre, const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(markColour(palette));
    painter.drawEllipse(centre, diameter / 2.0, diameter / 2.0);
    painter.restore();
}

void DoubtMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()).center(), palette());
}

} // namespace bw::ui
