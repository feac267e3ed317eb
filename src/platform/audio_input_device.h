// An audio input device as the microphone menus show it: the sound server's identifier while
// the device is attached, its persistent unique identifier (what a remembered choice stores)
// and its display name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace bw {

struct AudioInputDevice {
    std::uint32_t id = 0;
    std::string uid;
    std::string name;

    friend bool operator==(const AudioInputDevice&, const AudioInputDevice&) = default;
};

} // namespace bw

template <> struct std::hash<bw::AudioInputDevice> {
    std::size_t operator()(const bw::AudioInputDevice& device) const noexcept {
        std::size_t h = std::hash<std::uint32_t>{}(device.id);
        h = h * 31 + std::hash<std::string>{}(device.uid);
        return h * 31 + std::hash<std::string>{}(device.name);
    }
};
