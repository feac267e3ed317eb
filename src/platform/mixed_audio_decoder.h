// Reads a recording's audio for playing: one file as AudioFileDecoder reads it, or two tracks
// recorded in step (the microphone and this computer's sound) mixed into one. The mix has the
// first file's rate and channels and lasts as long as the longer track; the shorter one is
// silent after its end, and samples beyond full scale are limited to it. A second track at
// another sample rate cannot be mixed without resampling and is left out. Not thread-safe.
#pragma once

#include "platform/audio_file_decoder.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace bw {

class MixedAudioDecoder {
public:
    // Throws as AudioFileDecoder does for `file`; a second track that cannot be opened is left
    // out, so that the microphone's recording always plays.
    explicit MixedAudioDecoder(const std::filesystem::path& file,
                               const std::optional<std::filesystem::path>& mixedWith = {});

    int sampleRate() const { return m_first.sampleRate(); }
    int channelCount() const { return m_first.channelCount(); }
    std::int64_t lengthInFrames() const { return m_length; }
    // Whether a second track is mixed in.
    bool isMixed() const { return m_second != nullptr; }

    // As AudioFileDecoder::read and seek, over the mix.
    std::size_t read(PcmBuffer& buffer, std::size_t maxFrames);
    void seek(std::int64_t frame);

private:
    AudioFileDecoder m_first;
    std::unique_ptr<AudioFileDecoder> m_second;
    std::unique_ptr<PcmBuffer> m_secondBlock;
    std::int64_t m_length = 0;
    std::int64_t m_position = 0;
};

} // namespace bw
