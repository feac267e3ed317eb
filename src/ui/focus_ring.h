// A ring in the selection colour around whichever control of one window has the keyboard focus,
// the same for buttons, lists, the slider, the transcript and the fields, since the desktop's
// style marks focus on some controls and not on others (flat tool buttons, frameless text).
#pragma once

#include <QObject>
#include <QPointer>

class QFocusFrame;
class QWidget;

namespace bw::ui {

class FocusRing : public QObject {
    Q_OBJECT

public:
    // Follows the focus inside `window`'s top-level window; `window` owns the ring.
    explicit FocusRing(QWidget& window);

    // The control the ring is around; null when none.
    QWidget* widget() const;
    bool isShown() const;

private:
    void follow(QWidget* now);

    QWidget& m_window;
    // Each ring is a child of the control's parent, so it may go with that parent.
    QPointer<QFocusFrame> m_frame;
    QMetaObject::Connection m_destroyed;
};

} // namespace bw::ui
