#include "platform/system_microphone_access.h"

#include "platform/pulse_connection.h"

namespace bw {

MicrophoneAccessStatus SystemMicrophoneAccess::status() const {
    try {
        PulseConnection connection;
    } catch (const PulseError& error) {
        // A server that cannot be reached at all is no refusal: recording then finds no input.
        if (error.accessDenied()) {
            return MicrophoneAccessStatus::denied;
        }
    }
    return MicrophoneAccessStatus::granted;
}

bool SystemMicrophoneAccess::request() {
    return status() == MicrophoneAccessStatus::granted;
}

} // namespace bw
