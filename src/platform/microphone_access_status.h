// Whether this program may record from the microphone. A Linux desktop has no per-application
// permission: access is granted unless the sound server refuses the connection for lack of
// access (denied); undetermined when that could not be found out.
#pragma once

#include <string_view>

namespace bw {

enum class MicrophoneAccessStatus { granted, denied, undetermined };

// "granted", "denied" or "undetermined".
constexpr std::string_view rawValue(MicrophoneAccessStatus status) {
    switch (status) {
    case MicrophoneAccessStatus::granted:
        return "granted";
    case MicrophoneAccessStatus::denied:
        return "denied";
    case MicrophoneAccessStatus::undetermined:
        break;
    }
    return "undetermined";
}

} // namespace bw
