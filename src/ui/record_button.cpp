#include "ui/record_button.h"

#include "app/app_actions.h"
#include "recording/recorder_model.h"
#include "ui/consent_instruction.h"
#include "ui/symbols.h"

namespace bw::ui {

RecordButton::RecordButton(RecorderModel& recorder, AppActions& actions, QWidget* parent)
    : QToolButton(parent), m_recorder(recorder), m_actions(actions) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setAutoRaise(true);
    connect(this, &QToolButton::clicked, this, [this] {
        if (m_recorder.isRecording()) {
            m_recorder.stop();
        } else {
            m_actions.startRecording();
        }
    });
    connect(&m_recorder, &RecorderModel::phaseChanged, this, &RecordButton::update);
    update();
}

void RecordButton::update() {
    const auto phase = m_recorder.phase();
    const bool running = m_recorder.isRecording();
    const bool starting = phase == RecorderModel::Phase::starting;
    setText(starting ? "Starting the recording\u2026" : running ? "Stop" : "Record");
    setToolTip(running ? "Stop" : ConsentInstruction::text());
    setIcon(symbol(running ? "stop.circle.fill" : "record.circle"));
    setEnabled(!starting);
}

} // namespace bw::ui
