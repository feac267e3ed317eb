// The few text styles of the transcript views, as desktop counterparts of the sizes the
// interface is drawn in: callout (a little smaller than body text), title (a little larger),
// secondary (dimmed) and problem (red) text, and digits of one width for clocks that count.
#pragma once

#include <QFont>
#include <QWidget>

namespace bw::ui::TextStyles {

// 12 of 13 parts of the body size.
QFont callout(const QFont& body);
// 15 of 13 parts of the body size, semibold.
QFont title(const QFont& body);
// The font with digits of one width, so that a running clock does not jitter: its own when its
// digits already are (or, where Qt can ask for it, its tabular figures make them so), else the
// system's fixed-width font at the same size and weight.
QFont tabularDigits(const QFont& font);
// Draws the widget's text in the palette's dimmed colour.
void makeSecondary(QWidget& widget);
// Draws the widget's text in red.
void makeProblem(QWidget& widget);

} // namespace bw::ui::TextStyles
