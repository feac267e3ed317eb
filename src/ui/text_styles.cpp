#include "ui/text_styles.h"

#include <QPalette>

namespace bw::ui::TextStyles {

namespace {

QFont scaled(const QFont& body, qreal factor) {
    QFont font = body;
    if (body.pointSizeF() > 0) {
        font.setPointSizeF(body.pointSizeF() * factor);
    } else {
        font.setPixelSize(qRound(body.pixelSize() * factor));
    }
    return font;
}

void setTextColour(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget.setPalette(palette);
}

} // namespace

QFont callout(const QFont& body) {
    return scaled(body, 12.0 / 13.0);
}

QFont title(const QFont& body) {
    QFont font = scaled(body, 15.0 / 13.0);
    font.setWeight(QFont::DemiBold);
    return font;
}

void makeSecondary(QWidget& widget) {
    setTextColour(widget, widget.palette().color(QPalette::PlaceholderText));
}

void makeProblem(QWidget& widget) {
    setTextColour(widget, QColor(0xd7, 0x26, 0x1e));
}

} // namespace bw::ui::TextStyles
