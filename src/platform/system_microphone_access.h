// Microphone permission on a Linux desktop: there is no per-application permission, so access
// is granted unless the sound server refuses this program's connection for lack of access.
#pragma once

#include "platform/microphone_access.h"

namespace bw {

class SystemMicrophoneAccess : public MicrophoneAccess {
public:
    MicrophoneAccessStatus status() const override;
    // Nothing to ask: true unless the server refuses this program.
    bool request() override;
};

} // namespace bw
