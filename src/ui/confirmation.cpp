#include "ui/confirmation.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace bw::ui {

void setMessageBoxText(QMessageBox& box, const QString& title, const QString& message) {
    box.setText(title);
    box.setInformativeText(message);
    // The box sizes itself to the heading, which is often short. The width goes on the
    // explanation: a minimum on the heading would stop the box wrapping a long one (a long
    // recording title) and cut it instead.
    if (auto* explanation = box.findChild<QLabel*>("qt_msgbox_informativelabel")) {
        explanation->setMinimumWidth(320);
    }
}

QMessageBox* openConfirmation(QWidget* parent, const QString& title, const QString& message,
                              const QString& destructiveButton, std::function<void()> onConfirm) {
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    setMessageBoxText(*box, title, message);
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
