// The clock form in which the program shows durations and times inside a recording: minutes
// and seconds below an hour, hours, minutes and seconds from then on.
#pragma once

#include <string>

namespace bw::Formatting {

// "%d:%02d" below 3600 seconds (75.9 gives "1:15"), "%d:%02d:%02d" from then on (3725 gives
// "1:02:05"). The fraction is dropped; a value that is negative or not finite counts as 0.
std::string duration(double seconds);

} // namespace bw::Formatting
