// The sound server's audio inputs, read afresh on every call: the sources that can record
// (monitors of outputs are never offered), their channels, whether one can record now, and the
// default input. None of these fails: a server that cannot be reached has no devices.
#pragma once

#include "platform/audio_input_device.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace bw {

class AudioInputDevices {
public:
    // Identifiers of all sources, monitors included, in the server's order.
    static std::vector<std::uint32_t> allDeviceIDs();
    // The sources with input channels, monitors left out, in the server's order.
    static std::vector<AudioInputDevice> available();
    // 0 when the device is unknown.
    static int inputChannelCount(std::uint32_t device);
    // The device exists now, is in a usable state and has channels.
    static bool canRecord(std::uint32_t device);
    // The server's default source; none when it has none (or it is a monitor's).
    static std::optional<std::uint32_t> defaultInput();
};

} // namespace bw
