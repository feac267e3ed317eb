#include "ui/level_meter_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace bw::ui {

namespace {

// Gives the meter its spoken value; a plain widget has none.
class LevelMeterAccessible : public QAccessibleWidget {
public:
    explicit LevelMeterAccessible(LevelMeterView* meter)
        : QAccessibleWidget(meter, QAccessible::ProgressBar, "Input level") {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            return static_cast<LevelMeterView*>(widget())->accessibleValue();
        }
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* makeAccessible(const QString& className, QObject* object) {
    if (className == "bw::ui::LevelMeterView" && object && object->isWidgetType()) {
        return new LevelMeterAccessible(static_cast<LevelMeterView*>(object));
    }
    return nullptr;
}

float clamped(float level) {
    return std::isfinite(level) ? std::clamp(level, 0.0f, 1.0f) : 0.0f;
}

} // namespace

LevelMeterView::LevelMeterView(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(makeAccessible);
        return true;
    }();
    (void)factoryInstalled;
    setAccessibleName("Input level");
    setFixedSize(sizeHint());
    m_animation.setDuration(80);
    m_animation.setEasingCurve(QEasingCurve::Linear);
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_shown = value.toDouble();
        QWidget::update();
    });
}

void LevelMeterView::setLevel(float level) {
    if (level == m_level) {
        return;
    }
    m_level = level;
    m_animation.stop();
    m_animation.setStartValue(m_shown);
    m_animation.setEndValue(static_cast<double>(clamped(level)));
    m_animation.start();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, accessibleValue());
        QAccessible::updateAccessibility(&event);
    }
}

QColor LevelMeterView::fillColor() const {
    return m_level > 0.9f ? QColor(255, 149, 0) : QColor(52, 199, 89);
}

QString LevelMeterView::accessibleValue() const {
    // In single precision, as the level is measured: 0.9 is announced as 90, not 89.
    return QString::number(static_cast<int>(clamped(m_level) * 100.0f)) + " percent";
}

void LevelMeterView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track = rect();
    const double radius = track.height() / 2;
    QColor trackColor = palette().color(QPalette::WindowText);
    trackColor.setAlphaF(0.12f);
    painter.setBrush(trackColor);
    painter.drawRoundedRect(track, radius, radius);
    const double width = track.width() * m_shown;
    if (width > 0) {
        painter.setBrush(fillColor());
        painter.drawRoundedRect(QRectF(track.left(), track.top(), width, track.height()), radius,
                                radius);
    }
}

} // namespace bw::ui
