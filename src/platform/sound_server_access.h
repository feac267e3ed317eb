// Whether the sound server lets this program in, which is what microphone access means on a
// Linux desktop: granted when it accepts a connection, denied when it refuses it for lack of
// access (no permission, wrong or missing cookie), undetermined when no server answers.
#pragma once

#include "platform/microphone_access_status.h"

namespace bw {

// Connects once and disconnects; blocks for at most a few seconds. Thread-safe.
MicrophoneAccessStatus soundServerAccess();

} // namespace bw
