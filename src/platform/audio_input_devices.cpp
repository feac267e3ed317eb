#include "platform/audio_input_devices.h"

#include "platform/pulse_connection.h"

#include <algorithm>

namespace bw {

namespace {

std::vector<PulseSource> allSources() {
    try {
        PulseConnection connection;
        return connection.sources();
    } catch (const PulseError&) {
        return {};
    }
}

} // namespace

std::vector<std::uint32_t> AudioInputDevices::allDeviceIDs() {
    std::vector<std::uint32_t> ids;
    for (const auto& source : allSources()) {
        ids.push_back(source.index);
    }
    return ids;
}

std::vector<AudioInputDevice> AudioInputDevices::available() {
    std::vector<AudioInputDevice> devices;
    for (const auto& source : allSources()) {
        if (source.isMonitor || source.format.channelCount <= 0 || source.name.empty()) {
            continue;
        }
        devices.push_back({source.index, source.name, source.description});
    }
    return devices;
}

int AudioInputDevices::inputChannelCount(std::uint32_t device) {
    try {
        PulseConnection connection;
        auto source = connection.source(device);
        return source ? source->format.channelCount : 0;
    } catch (const PulseError&) {
        return 0;
    }
}

bool AudioInputDevices::canRecord(std::uint32_t device) {
    try {
        PulseConnection connection;
        auto source = connection.source(device);
        return source && source->isUsable && source->format.channelCount > 0;
    } catch (const PulseError&) {
        return false;
    }
}

std::optional<std::uint32_t> AudioInputDevices::defaultInput() {
    try {
        PulseConnection connection;
        auto name = connection.defaultSourceName();
        if (!name) {
            return std::nullopt;
        }
        for (const auto& source : connection.sources()) {
            if (source.name == *name && !source.isMonitor) {
                return source.index;
            }
        }
    } catch (const PulseError&) {
    }
    return std::nullopt;
}

} // namespace bw
