// The format of audio as a capture device delivers it: the sample type, rate and channel count
// of interleaved frames. Two formats are equal when all three are.
#pragma once

#include <cstddef>
#include <string>

namespace bw {

struct CaptureFormat {
    enum class SampleType {
        unsignedInt8,
        signedInt16LittleEndian,
        signedInt16BigEndian,
        signedInt24LittleEndian,     // three bytes per sample
        signedInt24In32LittleEndian, // 24 significant bits in the low bytes of four
        signedInt32LittleEndian,
        signedInt32BigEndian,
        float32LittleEndian,
        float32BigEndian,
        unsupported, // a type the converter cannot read (e.g. A-law)
    };

    SampleType sampleType = SampleType::unsupported;
    int sampleRate = 0;
    int channelCount = 0;

    // Bytes of one sample of one channel (0 for an unsupported type).
    std::size_t bytesPerSample() const;
    std::size_t bytesPerFrame() const { return bytesPerSample() * std::size_t(channelCount); }
    // Whether audio in this format can be recorded: a known sample type, a rate and channels.
    bool isUsable() const;
    // E.g. "48000 Hz, 2 ch, s16le", for messages.
    std::string description() const;

    friend bool operator==(const CaptureFormat&, const CaptureFormat&) = default;
};

} // namespace bw
