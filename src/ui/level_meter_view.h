// The input level as a bar: a capsule track with a green fill from the leading edge (orange
// above 0.9). The fill follows the level with a short linear animation. Assistive technology
// reads it as "Input level" with the value "N percent".
#pragma once

#include <QColor>
#include <QString>
#include <QVariantAnimation>
#include <QWidget>

namespace bw::ui {

class LevelMeterView : public QWidget {
    Q_OBJECT

public:
    explicit LevelMeterView(QWidget* parent = nullptr);

    // Any value; the bar shows it clamped to 0...1.
    void setLevel(float level);
    float level() const { return m_level; }

    QColor fillColor() const;
    // The level × 100, truncated, followed by " percent".
    QString accessibleValue() const;

    QSize sizeHint() const override { return {280, 8}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float m_level = 0;
    double m_shown = 0; // the animated fraction drawn
    QVariantAnimation m_animation;
};

} // namespace bw::ui
