// Decides where the next chunk of a recording ends: at a natural pause as close as possible to
// the target length, or, once the buffer has reached the maximum length, at the quietest place
// near its end. Chunks that end in pauses keep words whole across chunk boundaries. Pure.
#pragma once

#include "transcription/chunking_options.h"
#include "transcription/speech_analysis.h"

#include <cstdint>
#include <optional>
#include <span>

namespace bw {

class ChunkPlanner {
public:
    ChunkPlanner() = delete;

    struct Decision {
        enum class Kind { cut, needMoreAudio };

        Kind kind = Kind::cut;
        std::int64_t samples = 0; // where to cut: 1...buffer size, or 0 for an empty buffer

        static Decision cut(std::int64_t samples) { return {Kind::cut, samples}; }
        static Decision needMoreAudio() { return {Kind::needMoreAudio, 0}; }

        bool operator==(const Decision&) const = default;
    };

    // `analysis` holds the buffer's speech in seconds from its first sample. Once the stream
    // has ended the whole buffer is cut; more audio is asked for only before that.
    static Decision decide(std::span<const float> buffer, const SpeechAnalysis& analysis,
                           bool isEndOfStream, const ChunkingOptions& options, double sampleRate);

    // The steps of decide, for tests. The middle of the silence between speech closest to the
    // target length and not before the search floor, as a sample index; nothing when there is
    // none. A buffer without any speech is cut at the target length.
    static std::optional<std::int64_t> pauseIndex(const SpeechAnalysis& analysis,
                                                  std::int64_t count,
                                                  const ChunkingOptions& options,
                                                  double sampleRate);

    // The middle of the quietest 100 ms of the buffer between `from` and `to` seconds; the
    // middle of the window when it is too short for that.
    static std::int64_t quietestIndex(std::span<const float> buffer, double from, double to,
                                      double sampleRate);
};

} // namespace bw
