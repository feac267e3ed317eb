#include "ui/recording_list_header.h"

#include "ui/display_text.h"

#include <QLabel>
#include <QVBoxLayout>

namespace bw::ui {

RecordingListHeader::RecordingListHeader(QWidget* parent)
    : QWidget(parent), m_titleLabel(new QLabel), m_countLabel(new QLabel) {
    QFont headline = m_titleLabel->font();
    headline.setBold(true);
    m_titleLabel->setFont(headline);
    m_titleLabel->setMinimumWidth(1);
    QFont caption = m_countLabel->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    m_countLabel->setFont(caption);
    m_countLabel->setForegroundRole(QPalette::PlaceholderText);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 6);
    layout->setSpacing(2);
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_countLabel);
}

void RecordingListHeader::setContent(const QString& title, int count) {
    m_title = title;
    m_countLabel->setText(ui::countText(count));
    showTitle();
}

QString RecordingListHeader::countText() const {
    return m_countLabel->text();
}

void RecordingListHeader::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    showTitle();
}

void RecordingListHeader::showTitle() {
    const int width = std::max(contentsRect().width() - 20, 10);
    m_titleLabel->setText(m_titleLabel->fontMetrics().elidedText(m_title, Qt::ElideRight, width));
    m_titleLabel->setToolTip(m_title);
}

} // namespace bw::ui
