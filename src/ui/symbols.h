// Icons named by the symbol names the views use ("waveform", "folder", "play.fill", ...): the
// desktop theme's icon of the matching freedesktop name when the theme has one, otherwise a
// standard icon of the current style (or a drawn shape where the style has none).
#pragma once

#include <QIcon>

#include <string_view>

namespace bw::ui {

// An empty icon for a name this helper does not know.
QIcon symbol(std::string_view name);

} // namespace bw::ui
