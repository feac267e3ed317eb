// Dates as the application's files store them: ISO 8601 in UTC without fractions of a second,
// e.g. "2025-03-07T09:15:02Z".
#pragma once

#include <chrono>
#include <string>

namespace bw {

std::string iso8601String(std::chrono::sys_seconds date);

// Accepts "YYYY-MM-DDTHH:MM:SSZ" and the same with a "+HH:MM" or "-HH:MM" offset instead of
// "Z". Anything else, including fractions of a second and impossible dates, throws
// JsonDecodingError (dataCorrupted).
std::chrono::sys_seconds iso8601Date(const std::string& text);

} // namespace bw
