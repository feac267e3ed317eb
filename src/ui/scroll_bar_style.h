// The look of the window's scroll bars: the desktop's style, except that the thumb is drawn as
// the darkest part of the bar. Qt's Fusion style draws the thumb lighter than its groove, so that
// beside a light window the groove reads as the thumb: at the bottom while the view is at the
// top, and as a second one above the real thumb once the view is scrolled.
#pragma once

#include <QProxyStyle>

class QAbstractScrollArea;

namespace bw::ui {

class ScrollBarStyle : public QProxyStyle {
public:
    // Gives the area's scroll bars this look, with one style object shared by the process.
    static void apply(QAbstractScrollArea& area);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;

private:
    using QProxyStyle::QProxyStyle;
};

} // namespace bw::ui
