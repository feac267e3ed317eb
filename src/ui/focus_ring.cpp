#include "ui/focus_ring.h"

#include <QApplication>
#include <QFocusFrame>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <QWidget>

namespace bw::ui {
namespace {

// The desktop's style, with the ring drawn in the selection colour rather than the text's.
class RingStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_FocusFrame) {
            painter->fillRect(option->rect, option->palette.color(QPalette::Highlight));
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

FocusRing::FocusRing(QWidget& window) : QObject(&window), m_window(window) {
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { follow(now); });
    follow(QApplication::focusWidget());
}

QWidget* FocusRing::widget() const {
    return m_frame ? m_frame->widget() : nullptr;
}

bool FocusRing::isShown() const {
    return m_frame && m_frame->widget() && m_frame->isVisible();
}

void FocusRing::follow(QWidget* now) {
    // Focus leaving for a menu, a dialog or another program leaves the ring where it was: the
    // control keeps the window's focus.
    if (!now || now->window() != m_window.window() || now->focusPolicy() == Qt::NoFocus) {
        return;
    }
    if (!m_frame) {
        m_frame = new QFocusFrame(&m_window);
        auto* style = new RingStyle;
        style->setParent(m_frame);
        m_frame->setStyle(style);
    }
    m_frame->setWidget(now);
    // Let go before the control goes, so that the ring never holds on to a deleted one.
    disconnect(m_destroyed);
    m_destroyed = connect(now, &QObject::destroyed, m_frame,
                          [frame = m_frame.data()] { frame->setWidget(nullptr); });
}

} // namespace bw::ui
