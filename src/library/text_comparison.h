// Comparing names the user types, as the library's uniqueness rules need it.
#pragma once

#include <string>

namespace bw {

// Equal after Unicode default case folding, without any locale; accents and other marks
// still differ ("TEAM" equals "team", "Team" does not equal "Téam").
bool equalIgnoringCase(const std::string& a, const std::string& b);

} // namespace bw
