// Seconds as a clock for the command line: m:ss below an hour, h:mm:ss from then on.
#pragma once

#include <string>

namespace bw::cli {

std::string clockText(double seconds);

} // namespace bw::cli
