#include "ui/secondary_style.h"

#include <QPalette>
#include <QWidget>

namespace bw::ui::SecondaryStyle {

void apply(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    palette.setColor(QPalette::Text, palette.color(QPalette::PlaceholderText));
    widget.setPalette(palette);
}

} // namespace bw::ui::SecondaryStyle
