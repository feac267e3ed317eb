#include "ui/empty_state_view.h"

#include "ui/symbols.h"

#include <QLabel>
#include <QVBoxLayout>

namespace bw::ui {

EmptyStateView::EmptyStateView(QWidget* parent)
    : QWidget(parent), m_icon(new QLabel), m_title(new QLabel), m_message(new QLabel) {
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setWordWrap(true); // the list column can be narrower than a heading
    m_message->setWordWrap(true);
    m_message->setForegroundRole(QPalette::PlaceholderText);
    for (QLabel* label : {m_icon, m_title, m_message}) {
        label->setAlignment(Qt::AlignCenter);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addStretch();
    layout->addWidget(m_icon);
    layout->addWidget(m_title);
    layout->addWidget(m_message);
    layout->addStretch();
}

void EmptyStateView::setContent(std::string_view symbolName, const QString& title,
                                const QString& message) {
    // Style icons may come no larger than 32 pixels; the placeholder wants a large one.
    const QPixmap pixmap = symbol(symbolName).pixmap(48, 48);
    m_icon->setPixmap(pixmap.isNull() || pixmap.width() >= 48
                          ? pixmap
                          : pixmap.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    m_title->setText(title);
    m_message->setText(message);
    m_message->setVisible(!message.isEmpty());
}

QString EmptyStateView::title() const {
    return m_title->text();
}

QString EmptyStateView::message() const {
    return m_message->text();
}

} // namespace bw::ui
