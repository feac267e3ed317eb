// The program's own images, compiled into it: the tray icons "MenuBarIcon" and
// "MenuBarIconRecording" and the application icon the windows use.
#pragma once

#include <QIcon>
#include <QString>

namespace bw::ui::AppIcons {

// The name of the tray image for the recorder's state.
QString menuBarIconName(bool recording);
QIcon menuBar(bool recording);
QIcon application();

} // namespace bw::ui::AppIcons
