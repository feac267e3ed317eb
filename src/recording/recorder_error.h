// Why a recording could not start: the underlying reason (with its text), a recording already
// running, microphone access refused, or no usable microphone. what() is the reason's text.
#pragma once

#include <stdexcept>
#include <string>

namespace bw {

class RecorderError : public std::runtime_error {
public:
    enum class Kind { couldNotStart, alreadyRecording, microphoneDenied, noInputAvailable };

    static RecorderError couldNotStart(const std::string& reason) {
        return RecorderError(Kind::couldNotStart, reason);
    }
    static RecorderError alreadyRecording() {
        return RecorderError(Kind::alreadyRecording, "a recording is already running");
    }
    static RecorderError microphoneDenied() {
        return RecorderError(Kind::microphoneDenied, "microphone access is off");
    }
    static RecorderError noInputAvailable() {
        return RecorderError(Kind::noInputAvailable, "no microphone available");
    }

    Kind kind() const { return m_kind; }

private:
    RecorderError(Kind kind, const std::string& message)
        : std::runtime_error(message), m_kind(kind) {}
    Kind m_kind;
};

} // namespace bw
