#include "ui/tray_snapshot.h"

#include "ui/tray_menu.h"

#include <QPixmap>

namespace bw::test {

bool saveTrayMenuSnapshot(ui::TrayMenu& tray, const QString& pngFile) {
    tray.rebuild();
    auto& menu = tray.menu();
    menu.ensurePolished();
    menu.adjustSize();
    return menu.grab().save(pngFile, "PNG");
}

} // namespace bw::test
