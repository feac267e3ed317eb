#include "cli/argument_parser.h"
#include "cli/exit_code.h"
#include "cli/recording_commands.h"
#include "library/library_json.h"
#include "platform/audio_input_devices.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace bw::cli {

namespace {

int runDevices(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick devices [--json]",
                          "Lists the sound server's input devices; the default one is marked "
                          "with *. Give a device's identifier to \"brindlewick record --device\".");
    parser.flag("--json", "print a JSON array of device objects");
    auto parsed = parser.parse(arguments);
    if (parsed.helpRequested) {
        std::cout << parser.helpText();
        return exitDone;
    }
    const auto devices = AudioInputDevices::available();
    const auto defaultInput = AudioInputDevices::defaultInput();
    if (parsed.flag("--json")) {
        auto list = nlohmann::json::array();
        for (const auto& device : devices) {
            list.push_back({{"uid", device.uid},
                            {"name", device.name},
                            {"inputChannels", AudioInputDevices::inputChannelCount(device.id)},
                            {"isDefault", device.id == defaultInput}});
        }
        std::cout << prettyJsonText(list);
        return exitDone;
    }
    if (devices.empty()) {
        std::cerr << "No input devices found. Check that a microphone is connected and the sound "
                     "server is running.\n";
        return exitDone;
    }
    for (const auto& device : devices) {
        const int channels = AudioInputDevices::inputChannelCount(device.id);
        std::cout << (device.id == defaultInput ? "* " : "  ") << device.uid << "\t" << device.name
                  << "\t" << channels << (channels == 1 ? " channel" : " channels") << "\n";
    }
    return exitDone;
}

} // namespace

Command devicesCommand() {
    return {"devices", "list the input devices (microphones)", runDevices};
}

} // namespace bw::cli
