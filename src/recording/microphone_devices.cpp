#include "recording/microphone_devices.h"

#include "platform/audio_input_devices.h"

namespace bw {

MicrophoneDevices MicrophoneDevices::system() {
    return {&AudioInputDevices::defaultInput, &AudioInputDevices::canRecord};
}

} // namespace bw
