#include "ui/sheet_buttons.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace bw::ui {

QHBoxLayout* sheetButtons(QPushButton* dismiss, QPushButton* confirm) {
    dismiss->setAutoDefault(false);
    confirm->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(dismiss);
    buttons->addWidget(confirm);
    return buttons;
}

} // namespace bw::ui
