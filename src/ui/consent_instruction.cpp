#include "ui/consent_instruction.h"

#include "ui/symbols.h"
#include "ui/text_styles.h"

#include <QHBoxLayout>
#include <QLabel>

namespace bw::ui {

ConsentInstruction::ConsentInstruction(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 4, 12, 4);
    auto* icon = new QLabel(this);
    icon->setPixmap(symbol("person.2").pixmap(16, 16));
    icon->setAccessibleName(QString()); // decoration only: the text says it all
    auto* label = new QLabel(text(), this);
    label->setWordWrap(true);
    TextStyles::makeSecondary(*label);
    layout->addWidget(icon);
    layout->addWidget(label, 1);
}

QString ConsentInstruction::text() {
    return "Ask everyone present or on the call for consent before you record.";
}

} // namespace bw::ui
