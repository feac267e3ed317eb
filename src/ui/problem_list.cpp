#include "ui/problem_list.h"

#include "ui/text_styles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace bw::ui {

ProblemList::ProblemList(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setVisible(false);
}

void ProblemList::setMessages(const std::vector<std::string>& messages) {
    QStringList texts;
    for (const auto& message : messages) {
        texts.append(QString::fromStdString(message));
    }
    if (texts == m_messages) {
        return;
    }
    m_messages = texts;
    while (QLayoutItem* item = layout()->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    for (const auto& text : texts) {
        auto* row = new QWidget(this);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto* icon = new QLabel(row);
        icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize));
        icon->setAlignment(Qt::AlignTop);
        auto* label = new QLabel(text, row);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setFont(TextStyles::callout(font()));
        TextStyles::makeProblem(*label);
        rowLayout->addWidget(icon, 0, Qt::AlignTop);
        rowLayout->addWidget(label, 1);
        layout()->addWidget(row);
    }
    setVisible(!texts.isEmpty());
}

} // namespace bw::ui
