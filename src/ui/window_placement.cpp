#include "ui/window_placement.h"

#include <QScreen>
#include <QWidget>

namespace bw::ui {

void centreOnScreen(QWidget& window) {
    if (const auto* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

} // namespace bw::ui
