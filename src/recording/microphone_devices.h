// The two device queries a microphone source needs, as replaceable functions so that a test can
// stand in for the sound server: the default input, and whether a device can record now.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace bw {

struct MicrophoneDevices {
    std::function<std::optional<std::uint32_t>()> defaultInput;
    std::function<bool(std::uint32_t device)> canRecord;

    // The sound server's answers (AudioInputDevices).
    static MicrophoneDevices system();
};

} // namespace bw
