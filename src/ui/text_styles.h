// The few text styles of the transcript views, as desktop counterparts of the sizes the
// interface is drawn in: callout (a little smaller than body text), title (a little larger),
// secondary (dimmed) and problem (red) text. Qt 6.4 cannot ask a font for tabular digits; the
// usual desktop fonts draw their digits at one width anyway.
#pragma once

#include <QFont>
#include <QWidget>

namespace bw::ui::TextStyles {

// 12 of 13 parts of the body size.
QFont callout(const QFont& body);
// 15 of 13 parts of the body size, semibold.
QFont title(const QFont& body);
// Draws the widget's text in the palette's dimmed colour.
void makeSecondary(QWidget& widget);
// Draws the widget's text in red.
void makeProblem(QWidget& widget);

} // namespace bw::ui::TextStyles
