// Small lookups the main window's tests share: a menu's action, a message box's button, the
// dialogs a widget has open, and a drop event carrying given data.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QDropEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

namespace bw::test {

// The action of `menu` or one of its submenus with this text, or null.
QAction* actionNamed(QMenu& menu, const QString& text);

// The button of `box` with this text, or null.
QAbstractButton* buttonNamed(QMessageBox& box, const QString& text);

// The texts of the buttons of `box`, sorted.
std::vector<QString> buttonTexts(QMessageBox& box);

// The visible dialogs of type T whose parent chain reaches `owner`.
template <typename T> std::vector<T*> openDialogs(QWidget& owner) {
    std::vector<T*> open;
    for (T* dialog : owner.findChildren<T*>()) {
        if (dialog->isVisible()) {
            open.push_back(dialog);
        }
    }
    return open;
}

// Drags `data` into `target` and drops it at `position`; tells whether the drop was accepted.
bool drop(QWidget& target, const QPoint& position, std::unique_ptr<QMimeData> data);

} // namespace bw::test
