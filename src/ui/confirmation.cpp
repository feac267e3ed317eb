#include "ui/confirmation.h"

#include <QMessageBox>
#include <QPushButton>

namespace bw::ui {

QMessageBox* openConfirmation(QWidget* parent, const QString& title, const QString& message,
                              const QString& destructiveButton, std::function<void()> onConfirm) {
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(title);
    box->setText(title);
    box->setInformativeText(message);
    QPushButton* confirm = box->addButton(destructiveButton, QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton("Cancel", QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QObject::connect(confirm, &QPushButton::clicked, box,
                     [onConfirm = std::move(onConfirm)] { onConfirm(); });
    box->open();
    return box;
}

} // namespace bw::ui
