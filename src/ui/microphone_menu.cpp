#include "ui/microphone_menu.h"

#include "recording/recorder_model.h"
#include "ui/microphone_picker.h"
#include "ui/symbols.h"

#include <QMenu>

namespace bw::ui {

MicrophoneMenu::MicrophoneMenu(RecorderModel& recorder, QWidget* parent)
    : QToolButton(parent), m_recorder(recorder) {
    setText("Microphone");
    setIcon(symbol("mic"));
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setAutoRaise(true);
    setPopupMode(QToolButton::InstantPopup);
    setStyleSheet("QToolButton::menu-indicator { image: none; width: 0px; }");
    auto* menu = new QMenu(this);
    setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        m_recorder.refreshDevices();
        MicrophonePicker::fill(*menu, m_recorder);
    });
    for (auto signal : {&RecorderModel::phaseChanged, &RecorderModel::devicesChanged,
                        &RecorderModel::selectedDeviceUIDChanged}) {
        connect(&m_recorder, signal, this, &MicrophoneMenu::update);
    }
    update();
}

void MicrophoneMenu::update() {
    setEnabled(m_recorder.phase() == RecorderModel::Phase::idle);
    setToolTip("Microphone: " + MicrophonePicker::selectedName(m_recorder));
}

} // namespace bw::ui
