// The player's position slider. A click on the groove moves the handle to the point clicked
// (and the drag goes on from there) instead of stepping a page towards it; the arrow keys step
// by `keyStep` and Page Up / Page Down by `pageStep`, whatever the range the slider counts in.
#pragma once

#include <QSlider>

namespace bw::ui {

class SeekSlider : public QSlider {
    Q_OBJECT

public:
    explicit SeekSlider(QWidget* parent = nullptr);

    // Sets the range in units of `unitsPerSecond` and the key steps to the seconds below.
    void setDuration(double seconds, double unitsPerSecond);

    static constexpr double keyStepSeconds = 5;
    static constexpr double pageStepSeconds = 30;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace bw::ui
