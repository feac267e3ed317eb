// Texts the window builds from library values: recording counts and creation dates in the
// user's locale (the system locale and time zone).
#pragma once

#include <QString>

#include <chrono>

namespace bw::ui {

// "1 recording", otherwise the number and " recordings".
QString countText(int count);

// Day, abbreviated month, year, hour and minute, as the user's locale orders them.
QString rowDateText(std::chrono::sys_seconds date);

// Full weekday, day, full month, year, hour and minute, as the user's locale orders them.
QString detailDateText(std::chrono::sys_seconds date);

} // namespace bw::ui
