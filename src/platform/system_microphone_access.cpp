#include "platform/system_microphone_access.h"

#include "platform/sound_server_access.h"

namespace bw {

MicrophoneAccessStatus SystemMicrophoneAccess::status() const {
    return soundServerAccess();
}

// There is no one to ask: only a refusal by the server is a no. A server that does not answer
// lets the recording go on to find no microphone, which is what it then reports.
bool SystemMicrophoneAccess::request() {
    return status() != MicrophoneAccessStatus::denied;
}

} // namespace bw
