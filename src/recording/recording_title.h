// The title of a new recording: "Recording " and its start moment in the user's locale and time
// zone (abbreviated date, short time), e.g. "Recording Dec 9, 2026, 5:02 PM".
#pragma once

#include <chrono>
#include <string>

namespace bw {

std::string recordingTitle(std::chrono::system_clock::time_point start);

} // namespace bw
