// What an audio file holds, measured without decoding it (except where the container does not
// state its length): used to show and store the duration of imported files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stop_token>

namespace bw {

struct AudioFileInfo {
    int sampleRate = 0;
    int channelCount = 0;
    std::int64_t frameCount = 0; // at sampleRate; see AudioFileDecoder::lengthInFrames
    double duration = 0;         // seconds: frameCount / sampleRate

    // Throws AudioFileError (what() is FFmpeg's message, or "no audio track" /
    // "unsupported format ..."), never for a file that merely has no frames; throws
    // CancellationError promptly once `stop` is triggered.
    static AudioFileInfo of(const std::filesystem::path& file, std::stop_token stop = {});

    bool operator==(const AudioFileInfo&) const = default;
};

} // namespace bw
