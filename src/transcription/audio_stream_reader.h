// Decodes one audio file into the core's sample format (16 kHz, mono, 32-bit float) a block
// at a time, so a recording of any length is transcribed without holding all of its audio.
// Used by one caller at a time; needs no lock.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <stop_token>
#include <vector>

namespace bw {

class AudioStreamReader {
public:
    static constexpr int sampleRate = 16000;

    // Opens the file and prepares the conversion. Throws TranscriptionError::unreadableAudio.
    // Once `stop` is triggered, opening and every read throw CancellationError within moments,
    // whatever the file holds.
    explicit AudioStreamReader(const std::filesystem::path& file, std::stop_token stop = {});
    ~AudioStreamReader();
    AudioStreamReader(const AudioStreamReader&) = delete;
    AudioStreamReader& operator=(const AudioStreamReader&) = delete;

    // Seconds: the file's length in frames divided by its sample rate; fixed when opened.
    double duration() const;

    // At most `maxSamples` (> 0) samples; fewer only at the end of the file, none once
    // everything has been delivered. Throws TranscriptionError::unreadableAudio; a reader that
    // threw is unusable.
    std::vector<float> read(std::size_t maxSamples);

    // Every sample of the file, read in blocks of 1,048,576.
    static std::vector<float> readAll(const std::filesystem::path& file);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace bw
