#include "platform/audio_file_info.h"

#include "platform/audio_file_decoder.h"

namespace bw {

AudioFileInfo AudioFileInfo::of(const std::filesystem::path& file, std::stop_token stop) {
    const AudioFileDecoder decoder(file, std::move(stop));
    AudioFileInfo info;
    info.sampleRate = decoder.sampleRate();
    info.channelCount = decoder.channelCount();
    info.frameCount = decoder.lengthInFrames();
    info.duration = static_cast<double>(info.frameCount) / info.sampleRate;
    return info;
}

} // namespace bw
