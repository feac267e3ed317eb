#include "service/transcription_start_error.h"

#include "platform/bundle_info.h"

namespace bw {

TranscriptionStartError TranscriptionStartError::busy() {
    return {Kind::busy, "Brindlewick transcribes one recording at a time. Wait until the current "
                        "one finishes, or cancel it."};
}

TranscriptionStartError TranscriptionStartError::recording() {
    return {Kind::recording, "This recording is still running. Stop it, then transcribe it."};
}

TranscriptionStartError TranscriptionStartError::engineUnavailable(const std::string& detail) {
    return {Kind::engineUnavailable,
            "Brindlewick couldn't load its speech model. Download and install Brindlewick again. "
            "If that doesn't help, email " +
                BundleInfo::supportEmail() + " with this message. (" + detail + ")"};
}

TranscriptionStartError TranscriptionStartError::unreadableAudio() {
    return {Kind::unreadableAudio, "Brindlewick couldn't read the audio of this recording. The "
                                   "file may be empty or damaged."};
}

} // namespace bw
