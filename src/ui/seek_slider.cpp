#include "ui/seek_slider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

namespace bw::ui {

SeekSlider::SeekSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void SeekSlider::setDuration(double seconds, double unitsPerSecond) {
    setRange(0, int(std::lround(std::max(seconds, 0.1) * unitsPerSecond)));
    setSingleStep(int(std::lround(keyStepSeconds * unitsPerSecond)));
    setPageStep(int(std::lround(pageStepSeconds * unitsPerSecond)));
}

void SeekSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect handle =
            style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        const QPoint point = event->position().toPoint();
        if (!handle.contains(point)) {
            const QRect groove =
                style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
            // The handle's centre goes to the point: its half width is off both ends of the span.
            const int span = groove.width() - handle.width();
            const int offset = point.x() - groove.x() - handle.width() / 2;
            setValue(QStyle::sliderValueFromPosition(minimum(), maximum(), offset, span,
                                                     option.upsideDown));
        }
    }
    // Now over the handle, the press grabs it, so that dragging moves on from the point.
    QSlider::mousePressEvent(event);
}

} // namespace bw::ui
