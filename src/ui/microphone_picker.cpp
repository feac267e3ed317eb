#include "ui/microphone_picker.h"

#include "recording/recorder_model.h"
#include "ui/choice_menu.h"

#include <QAction>
#include <QMenu>

namespace bw::ui::MicrophonePicker {

void fill(QMenu& menu, RecorderModel& recorder) {
    ChoiceMenu items(menu);
    // A remembered device that is not plugged in is not selectedDevice(), so the system
    // default shows as chosen, which is what a recording would use.
    const auto selected = recorder.selectedDevice();
    auto add = [&](const QString& title, const std::optional<std::string>& uid) {
        items.add(title, selected ? uid == selected->uid : !uid, &recorder,
                  [&recorder, uid] { recorder.setSelectedDeviceUID(uid); });
    };
    add("System default", std::nullopt);
    for (const auto& device : recorder.devices()) {
        add(QString::fromStdString(device.name), device.uid);
    }
    if (recorder.canRecordSystemAudio()) {
        menu.addSeparator();
        auto* both = menu.addAction("Also Record This Computer's Sound");
        both->setCheckable(true);
        both->setChecked(recorder.recordsSystemAudio());
        QObject::connect(both, &QAction::toggled, &recorder,
                         [&recorder](bool on) { recorder.setRecordsSystemAudio(on); });
    }
}

QString selectedName(const RecorderModel& recorder) {
    const auto device = recorder.selectedDevice();
    return device ? QString::fromStdString(device->name) : QString("System default");
}

} // namespace bw::ui::MicrophonePicker
