#include "platform/capture_format.h"

namespace bw {

std::size_t CaptureFormat::bytesPerSample() const {
    switch (sampleType) {
    case SampleType::unsignedInt8:
        return 1;
    case SampleType::signedInt16LittleEndian:
    case SampleType::signedInt16BigEndian:
        return 2;
    case SampleType::signedInt24LittleEndian:
        return 3;
    case SampleType::signedInt24In32LittleEndian:
    case SampleType::signedInt32LittleEndian:
    case SampleType::signedInt32BigEndian:
    case SampleType::float32LittleEndian:
    case SampleType::float32BigEndian:
        return 4;
    case SampleType::unsupported:
        break;
    }
    return 0;
}

bool CaptureFormat::isUsable() const {
    return sampleType != SampleType::unsupported && sampleRate > 0 && channelCount > 0;
}

std::string CaptureFormat::description() const {
    static const char* const names[] = {"u8",    "s16le", "s16be",     "s24le",     "s24-32le",
                                        "s32le", "s32be", "float32le", "float32be", "unsupported"};
    return std::to_string(sampleRate) + " Hz, " + std::to_string(channelCount) + " ch, " +
           names[static_cast<int>(sampleType)];
}

} // namespace bw
