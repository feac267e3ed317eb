// The one clock format of the interface: every duration and time label shows seconds this way.
#pragma once

#include <string>

namespace bw::Formatting {

// "M:SS" below an hour and "H:MM:SS" from an hour on, of the whole seconds (the fraction is
// dropped); a negative or non-finite value counts as 0. 75.9 gives "1:15", 3725 "1:02:05".
std::string duration(double seconds);

} // namespace bw::Formatting
