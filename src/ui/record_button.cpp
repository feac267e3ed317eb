#include "ui/record_button.h"

#include "app/app_model.h"
#include "ui/consent_instruction.h"
#include "ui/symbols.h"

namespace bw::ui {

RecordButton::RecordButton(AppModel& app, QWidget* parent) : QToolButton(parent), m_app(app) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setAutoRaise(true);
    connect(this, &QToolButton::clicked, this, [this] {
        const auto phase = m_app.recorder().phase();
        if (phase == RecorderModel::Phase::recording || phase == RecorderModel::Phase::paused) {
            m_app.recorder().stop();
        } else {
            m_app.startRecording();
        }
    });
    connect(&m_app.recorder(), &RecorderModel::phaseChanged, this, &RecordButton::update);
    update();
}

void RecordButton::update() {
    const auto phase = m_app.recorder().phase();
    const bool running =
        phase == RecorderModel::Phase::recording || phase == RecorderModel::Phase::paused;
    setText(running ? "Stop" : "Record");
    setToolTip(running ? "Stop" : ConsentInstruction::text());
    setIcon(symbol(running ? "stop.circle.fill" : "record.circle"));
    setEnabled(phase != RecorderModel::Phase::starting);
}

} // namespace bw::ui
