// The subdued text colour of secondary labels (explanations, captions), taken from the palette
// so that it follows light and dark themes.
#pragma once

class QWidget;

namespace bw::ui::SecondaryStyle {

void apply(QWidget& widget);

} // namespace bw::ui::SecondaryStyle
