#include "ui/record_button.h"

#include "app/app_model.h"
#include "ui/consent_instruction.h"
#include "ui/symbols.h"

namespace bw::ui {

RecordButton::RecordButton(AppModel& app, QWidget* parent) : QToolButton(parent), m_app(app) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setAutoRaise(true);
    connect(this, &QToolButton::clicked, this, [this] {
        if (m_app.recorder().isRecording()) {
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
    const bool running = m_app.recorder().isRecording();
    const bool starting = phase == RecorderModel::Phase::starting;
    setText(starting ? "Starting the recording\u2026" : running ? "Stop" : "Record");
    setToolTip(running ? "Stop" : ConsentInstruction::text());
    setIcon(symbol(running ? "stop.circle.fill" : "record.circle"));
    setEnabled(!starting);
}

} // namespace bw::ui
