#include "ui/text_styles.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPalette>
#include <QtGlobal>

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

bool hasEvenDigits(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QChar(u'0'));
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (!qFuzzyCompare(metrics.horizontalAdvance(QChar(digit)), zero)) {
            return false;
        }
    }
    return true;
}

} // namespace

QFont tabularDigits(const QFont& font) {
    QFont tabular = font;
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    tabular.setFeature(QFont::Tag("tnum"), 1);
#endif
    if (hasEvenDigits(tabular)) {
        return tabular;
    }
    // Older Qt has no way to ask for a font's tabular figures.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (font.pointSizeF() > 0) {
        fixed.setPointSizeF(font.pointSizeF());
    } else {
        fixed.setPixelSize(font.pixelSize());
    }
    fixed.setWeight(font.weight());
    return fixed;
}

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
