#include "ui/recording_toolbar_group.h"

namespace bw::ui {

RecordingToolbarGroup::RecordingToolbarGroup(AppModel&, QWidget* parent) : QWidget(parent) {}

} // namespace bw::ui
