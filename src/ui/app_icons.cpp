#include "ui/app_icons.h"

// The resources live in this static library, so they are registered on first use rather than
// by a static initialiser the linker could drop.
static void registerIconResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
}

namespace bw::ui::AppIcons {

QString menuBarIconName(bool recording) {
    return recording ? "MenuBarIconRecording" : "MenuBarIcon";
}

QIcon menuBar(bool recording) {
    registerIconResources();
    return QIcon(":/icons/" + menuBarIconName(recording) + ".svg");
}

QIcon application() {
    registerIconResources();
    return QIcon(":/icons/brindlewick.svg");
}

} // namespace bw::ui::AppIcons
