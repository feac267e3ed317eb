// Puts a new top-level window in the middle of the screen it is on.
#pragma once

class QWidget;

namespace bw::ui {

void centreOnScreen(QWidget& window);

} // namespace bw::ui
