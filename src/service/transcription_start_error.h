// Why a transcription could not start; what() is the message shown for the recording.
#pragma once

#include <stdexcept>
#include <string>

namespace bw {

class TranscriptionStartError : public std::runtime_error {
public:
    enum class Kind { busy, recording, engineUnavailable, unreadableAudio };

    static TranscriptionStartError busy();
    static TranscriptionStartError recording();
    // `detail` is the engine factory's own description of its failure.
    static TranscriptionStartError engineUnavailable(const std::string& detail);
    static TranscriptionStartError unreadableAudio();

    Kind kind() const { return m_kind; }
    std::string message() const { return what(); }

    bool operator==(const TranscriptionStartError& other) const {
        return m_kind == other.m_kind && message() == other.message();
    }

private:
    TranscriptionStartError(Kind kind, const std::string& message)
        : std::runtime_error(message), m_kind(kind) {}

    Kind m_kind;
};

} // namespace bw
