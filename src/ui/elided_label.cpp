#include "ui/elided_label.h"

#include <QResizeEvent>

namespace bw::ui {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString& text) {
    m_fullText = text;
    elide();
    updateGeometry();
}

QSize ElidedLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

QSize ElidedLabel::sizeHint() const {
    return {fontMetrics().horizontalAdvance(m_fullText), QLabel::sizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::elide() {
    const int width = contentsRect().width();
    const QString shown = fontMetrics().elidedText(m_fullText, Qt::ElideRight, width);
    setText(shown);
    setToolTip(shown == m_fullText ? QString() : m_fullText);
}

} // namespace bw::ui
