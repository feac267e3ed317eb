// Converts float deinterleaved audio of any rate and channel count to one channel at another
// rate: every channel is mixed into the output with the same weight (none is dropped), and
// the rate is changed with the highest-quality resampler available (SoX's at its highest
// precision). Pull mode: the converter asks the caller's input function for frames as it needs
// them, so it holds at most one input block besides the resampler's own filter history.
// One caller at a time; not thread-safe.
#pragma once

#include "platform/pcm_buffer.h"

#include <cstddef>
#include <functional>
#include <memory>

namespace bw {

class AudioConverter {
public:
    enum class Status {
        haveData,    // the output was filled
        inputRanDry, // the input function had nothing for now; call again later
        endOfStream, // the input has ended and everything has been delivered
    };

    // Called with the number of input frames the converter would like (a hint). Returns a
    // buffer holding the next frames (with the input's channel count), or nullptr at the end
    // of the input. The buffer must stay valid until the next call.
    using InputFunction = std::function<const PcmBuffer*(std::size_t framesWanted)>;

    // Throws AudioFileError::unsupportedFormat when no converter can be made between the two
    // (a rate or channel count that is not positive, or more channels than it can mix).
    AudioConverter(int inputRate, int inputChannels, int outputRate);
    ~AudioConverter();
    AudioConverter(const AudioConverter&) = delete;
    AudioConverter& operator=(const AudioConverter&) = delete;

    // Writes up to `capacity` output samples to `output` and sets `produced`. Frames of the
    // last call may come with endOfStream; after that every call produces nothing and returns
    // endOfStream. Throws AudioFileError::conversionFailed with FFmpeg's message.
    Status convert(float* output, std::size_t capacity, std::size_t& produced,
                   const InputFunction& input);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace bw
