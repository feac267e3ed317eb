// The program's own images, compiled into it: the tray icons "MenuBarIcon",
// "MenuBarIconRecording" and "MenuBarIconPaused" and the application icon the windows use.
#pragma once

#include <QIcon>
#include <QString>

namespace bw::ui::AppIcons {

enum class TrayState { idle, recording, paused };

// The name of the tray image for the recorder's state.
QString menuBarIconName(TrayState state);
QIcon menuBar(TrayState state);
QIcon application();

} // namespace bw::ui::AppIcons
