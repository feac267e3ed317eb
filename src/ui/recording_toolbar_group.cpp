#include "ui/recording_toolbar_group.h"

#include "ui/microphone_menu.h"
#include "ui/record_button.h"

#include <QFrame>
#include <QHBoxLayout>

namespace bw::ui {

RecordingToolbarGroup::RecordingToolbarGroup(RecorderModel& recorder, AppActions& actions,
                                             QWidget* parent)
    : QWidget(parent), m_microphoneMenu(new MicrophoneMenu(recorder, this)),
      m_recordButton(new RecordButton(recorder, actions, this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setFixedHeight(16);
    divider->setEnabled(false);
    layout->addWidget(m_microphoneMenu);
    layout->addWidget(divider);
    layout->addWidget(m_recordButton);
}

} // namespace bw::ui
