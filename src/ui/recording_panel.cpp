#include "ui/recording_panel.h"

#include "base/duration_format.h"
#include "recording/recorder_model.h"
#include "ui/level_meter_view.h"
#include "ui/microphone_picker.h"
#include "ui/symbols.h"
#include "ui/text_styles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace bw::ui {

RecordingPanel::RecordingPanel(RecorderModel& recorder, QWidget* parent)
    : QWidget(parent), m_recorder(recorder), m_symbol(new QLabel(this)), m_state(new QLabel(this)),
      m_duration(new QLabel(this)), m_meter(new LevelMeterView(this)), m_device(new QLabel(this)),
      m_pauseResume(new QPushButton(this)), m_stop(new QPushButton("Stop", this)) {
    m_state->setObjectName("state");
    m_duration->setObjectName("duration");
    m_device->setObjectName("device");
    QFont headline = m_state->font();
    headline.setBold(true);
    m_state->setFont(headline);
    QFont clock = m_duration->font();
    clock.setPointSize(48);
    clock.setWeight(QFont::Light);
    m_duration->setFont(TextStyles::tabularDigits(clock));
    TextStyles::makeSecondary(*m_device);
    m_stop->setIcon(symbol("stop.fill"));

    auto* stateRow = new QHBoxLayout;
    stateRow->addStretch();
    stateRow->addWidget(m_symbol);
    stateRow->addWidget(m_state);
    stateRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pauseResume);
    buttons->addWidget(m_stop);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addLayout(stateRow);
    layout->addWidget(m_duration, 0, Qt::AlignHCenter);
    layout->addWidget(m_meter, 0, Qt::AlignHCenter);
    layout->addWidget(m_device, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
    layout->addStretch();

    connect(m_pauseResume, &QPushButton::clicked, this, [&recorder] {
        if (recorder.phase() == RecorderModel::Phase::paused) {
            recorder.resume();
        } else {
            recorder.pause();
        }
    });
    connect(m_stop, &QPushButton::clicked, &recorder, &RecorderModel::stop);
    for (auto signal : {&RecorderModel::phaseChanged, &RecorderModel::devicesChanged,
                        &RecorderModel::selectedDeviceUIDChanged}) {
        connect(&recorder, signal, this, &RecordingPanel::update);
    }
    // The running time and the level change with every captured buffer: only they are redrawn.
    connect(&recorder, &RecorderModel::durationChanged, this, &RecordingPanel::showDuration);
    connect(&recorder, &RecorderModel::levelChanged, this, &RecordingPanel::showLevel);
    update();
}

void RecordingPanel::showDuration() {
    m_duration->setText(QString::fromStdString(Formatting::duration(m_recorder.duration())));
}

void RecordingPanel::showLevel() {
    m_meter->setLevel(m_recorder.phase() == RecorderModel::Phase::recording ? m_recorder.level()
                                                                            : 0.0f);
}

void RecordingPanel::update() {
    const bool paused = m_recorder.phase() == RecorderModel::Phase::paused;
    m_symbol->setPixmap(symbol(paused ? "pause.circle.fill" : "record.circle.fill").pixmap(16, 16));
    m_state->setText(paused ? "Paused" : "Recording");
    QPalette palette = this->palette();
    if (paused) {
        palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    } else {
        palette.setColor(QPalette::WindowText, QColor(255, 59, 48));
    }
    m_state->setPalette(palette);
    showDuration();
    showLevel();
    m_device->setText(MicrophonePicker::selectedName(m_recorder));
    m_pauseResume->setText(paused ? "Resume" : "Pause");
    m_pauseResume->setIcon(symbol(paused ? "record.circle" : "pause.fill"));
}

} // namespace bw::ui
