#include "ui/scroll_bar_style.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>

#include <algorithm>

namespace bw::ui {

void ScrollBarStyle::apply(QAbstractScrollArea& area) {
    static QPointer<ScrollBarStyle> shared;
    if (!shared) {
        shared = new ScrollBarStyle(QStyleFactory::create(QApplication::style()->name()));
        shared->setParent(qApp);
    }
    for (QScrollBar* bar : {area.verticalScrollBar(), area.horizontalScrollBar()}) {
        bar->setStyle(shared);
    }
}

void ScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                        QPainter* painter, const QWidget* widget) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar || !(bar->subControls & SC_ScrollBarSlider)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    QStyleOptionSlider rest = *bar;
    rest.subControls &= ~SC_ScrollBarSlider;
    QProxyStyle::drawComplexControl(control, &rest, painter, widget);
    if (bar->minimum == bar->maximum) {
        return; // nothing to scroll: no thumb, as the base style draws it
    }
    const QRect thumb =
        subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget).adjusted(2, 2, -2, -2);
    if (thumb.isEmpty()) {
        return;
    }
    const bool active = (bar->activeSubControls & SC_ScrollBarSlider) &&
                        (bar->state & (State_MouseOver | State_Sunken));
    const auto role = !(bar->state & State_Enabled) ? QPalette::Midlight
                      : active                      ? QPalette::Dark
                                                    : QPalette::Mid;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(bar->palette.color(role));
    const qreal radius = std::min(thumb.width(), thumb.height()) / 2.0;
    painter->drawRoundedRect(QRectF(thumb), radius, radius);
    painter->restore();
}

} // namespace bw::ui
