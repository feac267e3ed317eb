// The button row at the foot of a sheet: right-aligned, the dismissing button first and the
// confirming one last as the default, so that Return confirms and only Escape dismisses.
#pragma once

class QHBoxLayout;
class QPushButton;

namespace bw::ui {

QHBoxLayout* sheetButtons(QPushButton* dismiss, QPushButton* confirm);

} // namespace bw::ui
