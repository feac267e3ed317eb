#include "transcription/transcription_error.h"

namespace bw {

namespace {

std::string describe(TranscriptionError::Kind kind, const std::string& detail) {
    switch (kind) {
    case TranscriptionError::Kind::modelNotFound:
        return "Model not found: " + detail;
    case TranscriptionError::Kind::modelLoadFailed:
        return "The model could not be loaded: " + detail;
    case TranscriptionError::Kind::unreadableAudio:
        return "The audio file could not be read: " + detail;
    case TranscriptionError::Kind::engineFailed:
        return "Transcription failed: " + detail;
    case TranscriptionError::Kind::busy:
        return "Another transcription is running.";
    }
    return detail;
}

} // namespace

TranscriptionError::TranscriptionError(Kind kind, std::string detail)
    : std::runtime_error(describe(kind, detail)), m_kind(kind), m_detail(std::move(detail)) {}

} // namespace bw
