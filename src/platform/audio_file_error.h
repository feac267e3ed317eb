// The failure of opening, decoding or converting an audio file. what() is the platform's own
// text for it (FFmpeg's message where FFmpeg reported the failure), without the file's name.
#pragma once

#include <stdexcept>
#include <string>

namespace bw {

class AudioFileError : public std::runtime_error {
public:
    enum class Kind {
        cannotOpen,        // not a readable audio file (missing, no permission, unknown format)
        noAudioTrack,      // opened, but it holds no usable audio stream
        unsupportedFormat, // the audio stream's codec or layout cannot be decoded here
        readFailed,        // reading or decoding failed part-way
        conversionFailed,  // the sample-rate and channel converter failed
    };

    AudioFileError(Kind kind, const std::string& message)
        : std::runtime_error(message), m_kind(kind) {}

    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

} // namespace bw
