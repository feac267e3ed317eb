#include "ui/recording_panel.h"

namespace bw::ui {

RecordingPanel::RecordingPanel(AppModel&, QWidget* parent) : QWidget(parent) {}

} // namespace bw::ui
