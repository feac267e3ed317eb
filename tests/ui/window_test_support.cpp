#include "ui/window_test_support.h"

#include <QApplication>

#include <algorithm>

namespace bw::test {

QAction* actionNamed(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
        if (QMenu* submenu = action->menu()) {
            if (QAction* found = actionNamed(*submenu, text)) {
                return found;
            }
        }
    }
    return nullptr;
}

QAbstractButton* buttonNamed(QMessageBox& box, const QString& text) {
    for (QAbstractButton* button : box.buttons()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

std::vector<QString> buttonTexts(QMessageBox& box) {
    std::vector<QString> texts;
    for (QAbstractButton* button : box.buttons()) {
        texts.push_back(button->text());
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

bool drop(QWidget& target, const QPoint& position, std::unique_ptr<QMimeData> data) {
    // Qt delivers a drop only to the widget that accepted the drag's entering.
    const auto actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(position, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDragMoveEvent move(position, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &move);
    QDropEvent event(position, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
    return event.isAccepted();
}

} // namespace bw::test
