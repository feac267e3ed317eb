// The microphone choice as menu items, shared by the toolbar's microphone menu and the tray's
// Microphone submenu: "System default" and one checkable item per device; the checked one is
// the recorder's selected device, and choosing one sets the recorder's selection. Below them,
// where the recorder can record this computer's sound, the checkable "Also Record This
// Computer's Sound".
#pragma once

#include <QString>

class QMenu;

namespace bw {
class RecorderModel;
}

namespace bw::ui::MicrophonePicker {

// Replaces the menu's items with the current choices.
void fill(QMenu& menu, RecorderModel& recorder);

// The selected device's name, or "System default" when none of the listed devices is chosen.
QString selectedName(const RecorderModel& recorder);

} // namespace bw::ui::MicrophonePicker
