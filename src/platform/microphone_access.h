// Whether this program may use the microphone: the status and a request that asks the user.
// An interface so that the recorder can be tested without a sound server.
#pragma once

#include "platform/microphone_access_status.h"

namespace bw {

class MicrophoneAccess {
public:
    virtual ~MicrophoneAccess() = default;
    virtual MicrophoneAccessStatus status() const = 0;
    // Asks the user when that is possible and returns whether access was granted. May block
    // while the question is open.
    virtual bool request() = 0;
};

} // namespace bw
