// Removes from the microphone's track what it heard of this computer's sound: without headphones
// the loudspeaker's sound reaches the microphone a few milliseconds later, quieter and coloured
// by the room. An adaptive filter (the speexdsp echo canceller) learns that path from the
// system track, its reference, and subtracts its estimate of the echo. The whole recording is
// at hand, so the filter first learns over its first minutes and then cleans it from the start:
// the first sentences are cleaned as well as the later ones.
//
// It cancels what the loudspeaker played in step with the reference, not sound the system track
// never had (a second person in the room), and less of an echo distorted by a loudspeaker driven
// into clipping or a room whose reverberation outlasts its filter (a quarter of a second).
#pragma once

#include <filesystem>
#include <stop_token>

namespace bw {

class EchoCanceller {
public:
    // Seconds of the echo path the filter models.
    static constexpr double filterSeconds = 0.256;
    // Seconds from the start that the filter learns over before it cleans from the start: long
    // enough to have heard the other side, and the echo path of the recording's first minutes
    // is the one its first sentences went through. Learning over an hour would double the
    // canceller's time for nothing.
    static constexpr double defaultLearningSeconds = 300;

    // Writes `microphone` without the echo of `reference` to `output`, a 16 kHz mono CAF file
    // private to the user, as long as the microphone's track, having learnt over its first
    // `learningSeconds`. Both tracks must start at the same instant. Throws
    // TranscriptionError::unreadableAudio for a track that cannot be read, FileError when the
    // output cannot be written and CancellationError once `stop` is triggered.
    static void cancel(const std::filesystem::path& microphone,
                       const std::filesystem::path& reference, const std::filesystem::path& output,
                       std::stop_token stop = {}, double learningSeconds = defaultLearningSeconds);
};

} // namespace bw
