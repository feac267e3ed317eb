// Microphone access whose status a test sets, answering requests as told and counting them.
#pragma once

#include "platform/microphone_access.h"

namespace bw {

class FakeMicrophoneAccess : public MicrophoneAccess {
public:
    MicrophoneAccessStatus status() const override { return current; }
    bool request() override {
        ++requests;
        return answer;
    }
    MicrophoneAccessStatus current = MicrophoneAccessStatus::granted;
    bool answer = true;
    int requests = 0;
};

} // namespace bw
