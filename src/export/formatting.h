// The cleaning and formatting every export writer applies before it lays text out: text split
// into clean lines, times as clocks and the recording's date as a header date.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/time_zone.h"

namespace bw::Formatting {

// The text's lines with every line break ended, control characters, U+FFFE and U+FFFF dropped,
// leading and trailing spaces and tabs removed and inner runs of them folded into one space.
// Empty lines are left out, so the list is empty when nothing printable is left. The lines hold
// nothing that XML 1.0 forbids. Malformed UTF-8 reads as U+FFFD.
std::vector<std::string> lines(std::string_view text);

// lines(text) joined with single spaces: the one-line form of titles and language names.
std::string singleLine(std::string_view text);

// The time in whole milliseconds, rounded half away from zero; 0 for anything not finite and
// positive. Times too large for 64 bits saturate at the largest count.
std::int64_t milliseconds(double seconds);

// "HH:MM:SS" of the time rounded to the millisecond and then cut to the second. Hours do not
// wrap at 24 and widen beyond two digits when needed.
std::string clock(double seconds);

// "YYYY-MM-DD HH:MM" of the instant in the (proleptic) Gregorian calendar in the given zone,
// ASCII digits.
std::string headerDate(std::chrono::sys_seconds date, const TimeZone& timeZone);
std::string headerDate(std::chrono::system_clock::time_point date, const TimeZone& timeZone);

} // namespace bw::Formatting
