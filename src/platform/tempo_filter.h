// Plays audio faster or slower without changing its pitch: FFmpeg's atempo filter over 32-bit
// float audio, taken in planar blocks (as the decoder delivers them) and given back interleaved
// (as the sound server takes it). At tempo 2 a second of input gives about half a second out.
// One caller at a time; not thread-safe.
#pragma once

#include "platform/pcm_buffer.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace bw {

class TempoFilter {
public:
    static constexpr double slowest = 0.5;
    static constexpr double fastest = 2.0;

    // `tempo` is clamped to slowest...fastest. Throws AudioFileError (conversionFailed) when
    // FFmpeg cannot set the filter up.
    TempoFilter(int sampleRate, int channelCount, double tempo);
    ~TempoFilter();
    TempoFilter(const TempoFilter&) = delete;
    TempoFilter& operator=(const TempoFilter&) = delete;

    double tempo() const { return m_tempo; }

    // Takes the first `frames` frames of `block`. Throws AudioFileError (conversionFailed).
    void push(const PcmBuffer& block, std::size_t frames);
    // No more input: what the filter still holds comes out of pull().
    void finish();
    // Appends up to `maximumFrames` interleaved frames of output to `out`; returns how many
    // (0 when it needs more input, or after finish() once everything came out).
    std::size_t pull(std::vector<float>& out, std::size_t maximumFrames);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    double m_tempo;
};

} // namespace bw
