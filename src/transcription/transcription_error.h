// The transcription core's failures. what() is the fixed user-facing description.
#pragma once

#include <stdexcept>
#include <string>

namespace bw {

class TranscriptionError : public std::runtime_error {
public:
    enum class Kind { modelNotFound, modelLoadFailed, unreadableAudio, engineFailed, busy };

    static TranscriptionError modelNotFound(std::string detail) {
        return {Kind::modelNotFound, std::move(detail)};
    }
    static TranscriptionError modelLoadFailed(std::string detail) {
        return {Kind::modelLoadFailed, std::move(detail)};
    }
    static TranscriptionError unreadableAudio(std::string detail) {
        return {Kind::unreadableAudio, std::move(detail)};
    }
    static TranscriptionError engineFailed(std::string detail) {
        return {Kind::engineFailed, std::move(detail)};
    }
    static TranscriptionError busy() { return {Kind::busy, {}}; }

    Kind kind() const { return m_kind; }
    const std::string& detail() const { return m_detail; }

    bool operator==(const TranscriptionError& other) const {
        return m_kind == other.m_kind && m_detail == other.m_detail;
    }

private:
    TranscriptionError(Kind kind, std::string detail);

    Kind m_kind;
    std::string m_detail;
};

} // namespace bw
