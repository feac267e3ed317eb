#include "ui/microphone_picker.h"

#include "recording/recorder_model.h"

#include <QActionGroup>
#include <QMenu>

namespace bw::ui::MicrophonePicker {

void fill(QMenu& menu, RecorderModel& recorder) {
    menu.clear();
    // The previous fill's group is empty now; a menu that is filled on every opening would
    // otherwise collect them.
    qDeleteAll(menu.findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly));
    auto* group = new QActionGroup(&menu);
    group->setExclusive(true);
    // A remembered device that is not plugged in is not selectedDevice(), so the system
    // default shows as chosen, which is what a recording would use.
    const auto selected = recorder.selectedDevice();
    auto add = [&](const QString& title, const std::optional<std::string>& uid) {
        auto* action = menu.addAction(title);
        action->setCheckable(true);
        action->setChecked(selected ? uid == selected->uid : !uid);
        action->setActionGroup(group);
        QObject::connect(action, &QAction::triggered, &recorder,
                         [&recorder, uid] { recorder.setSelectedDeviceUID(uid); });
    };
    add("System default", std::nullopt);
    for (const auto& device : recorder.devices()) {
        add(QString::fromStdString(device.name), device.uid);
    }
}

QString selectedName(const RecorderModel& recorder) {
    const auto device = recorder.selectedDevice();
    return device ? QString::fromStdString(device->name) : QString("System default");
}

} // namespace bw::ui::MicrophonePicker
