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

QString menuBarIconName(TrayState state) {
    switch (state) {
    case TrayState::recording:
        return "MenuBarIconRecording";
    case TrayState::paused:
        return "MenuBarIconPaused";
    case TrayState::idle:
        break;
    }
    return "MenuBarIcon";
}

QIcon menuBar(TrayState state) {
    registerIconResources();
    return QIcon(":/icons/" + menuBarIconName(state) + ".svg");
}

QIcon application() {
    registerIconResources();
    return QIcon(":/icons/brindlewick.svg");
}

} // namespace bw::ui::AppIcons
