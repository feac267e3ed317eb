// Renders the tray menu as it would open, for screenshots of the interface.
#pragma once

#include <QString>

namespace bw::ui {
class TrayMenu;
}

namespace bw::test {

// Rebuilds the menu from the models and writes it to `pngFile`; tells whether that worked.
bool saveTrayMenuSnapshot(ui::TrayMenu& tray, const QString& pngFile);

} // namespace bw::test
