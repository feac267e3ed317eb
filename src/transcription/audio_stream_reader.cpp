#include "transcription/audio_stream_reader.h"

#include "base/precondition.h"
#include "platform/audio_converter.h"
#include "platform/audio_file_decoder.h"
#include "platform/audio_file_error.h"
#include "transcription/transcription_error.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

namespace bw {

namespace {

constexpr std::size_t inputBufferCapacity = 32768;  // source frames per refill
constexpr std::size_t outputBufferCapacity = 65536; // samples per converter call
constexpr std::size_t readAllBlockSize = 1048576;

} // namespace

struct AudioStreamReader::State {
    double duration = 0;
    std::unique_ptr<AudioFileDecoder> file;
    std::unique_ptr<AudioConverter> converter;
    std::unique_ptr<PcmBuffer> inputBuffer;
    bool fileExhausted = false;
    bool converterDrained = false;
    std::optional<std::string> readError;      // a read failure before any frame was read
    std::optional<TranscriptionError> failure; // once thrown, every later read throws it again
    std::int64_t framesRead = 0;

    const PcmBuffer* nextInput(std::size_t framesWanted);
    [[noreturn]] void fail(std::string detail);
};

AudioStreamReader::AudioStreamReader(const std::filesystem::path& path, std::stop_token stop)
    : m_state(std::make_unique<State>()) {
    State& s = *m_state;
    const std::string name = path.filename().string();
    try {
        s.file = std::make_unique<AudioFileDecoder>(path, std::move(stop));
    } catch (const AudioFileError& error) {
        // The decoder's own texts already read "no audio track" and "unsupported format ...".
        throw TranscriptionError::unreadableAudio(name + ": " + error.what());
    } catch (const std::bad_alloc&) {
        throw TranscriptionError::unreadableAudio("could not allocate a decode buffer");
    }
    if (s.file->sampleRate() <= 0 || s.file->channelCount() <= 0) {
        throw TranscriptionError::unreadableAudio(name + ": no audio track");
    }
    try {
        s.converter = std::make_unique<AudioConverter>(s.file->sampleRate(), s.file->channelCount(),
                                                       sampleRate);
        s.inputBuffer = std::make_unique<PcmBuffer>(s.file->channelCount(), inputBufferCapacity);
    } catch (const std::exception&) {
        throw TranscriptionError::unreadableAudio(name + ": unsupported format " +
                                                  s.file->formatDescription());
    }
    s.duration = static_cast<double>(s.file->lengthInFrames()) / s.file->sampleRate();
}

AudioStreamReader::~AudioStreamReader() = default;

double AudioStreamReader::duration() const {
    return m_state->duration;
}

std::vector<float> AudioStreamReader::read(std::size_t maxSamples) {
    BW_PRECONDITION(maxSamples >= 1, "AudioStreamReader::read needs maxSamples of at least 1");
    State& s = *m_state;
    if (s.failure) {
        throw *s.failure;
    }
    std::vector<float> result;
    try {
        result.reserve(maxSamples);
    } catch (const std::exception&) {
        s.fail("could not allocate a decode buffer");
    }
    const auto input = [&s](std::size_t framesWanted) { return s.nextInput(framesWanted); };
    while (!s.converterDrained && result.size() < maxSamples) {
        const std::size_t held = result.size();
        const std::size_t capacity = std::min(maxSamples - held, outputBufferCapacity);
        // Within the reserved room: the converter writes straight into the result.
        result.resize(held + capacity);
        std::size_t produced = 0;
        AudioConverter::Status status{};
        try {
            status = s.converter->convert(result.data() + held, capacity, produced, input);
        } catch (const AudioFileError& error) {
            s.fail(s.readError ? *s.readError : std::string(error.what()));
        }
        result.resize(held + produced);
        if (s.readError) {
            s.fail(*s.readError);
        }
        if (status == AudioConverter::Status::endOfStream ||
            (status == AudioConverter::Status::inputRanDry && produced == 0 && s.fileExhausted)) {
            s.converterDrained = true;
        }
    }
    return result;
}

std::vector<float> AudioStreamReader::readAll(const std::filesystem::path& file) {
    AudioStreamReader reader(file);
    std::vector<float> samples;
    for (;;) {
        const std::vector<float> block = reader.read(readAllBlockSize);
        if (block.empty()) {
            return samples;
        }
        samples.insert(samples.end(), block.begin(), block.end());
    }
}

// Refills the input buffer for the converter; nullptr tells it the file has ended.
const PcmBuffer* AudioStreamReader::State::nextInput(std::size_t framesWanted) {
    if (fileExhausted) {
        return nullptr;
    }
    // Frames past the stated length are encoder padding, not audio: the length is exact for
    // uncompressed files and the container's own figure for compressed ones.
    const std::int64_t remaining = file->lengthInFrames() - file->framePosition();
    if (remaining <= 0) {
        fileExhausted = true;
        return nullptr;
    }
    const std::size_t frames =
        std::min({static_cast<std::size_t>(remaining), inputBuffer->frameCapacity(),
                  std::max<std::size_t>(framesWanted, 1)});
    inputBuffer->setFrameLength(0);
    try {
        framesRead += static_cast<std::int64_t>(file->read(*inputBuffer, frames));
    } catch (const AudioFileError& error) {
        // A failure after some audio was read ends the file there; what was read still counts.
        if (framesRead == 0) {
            readError = error.what();
        }
        fileExhausted = true;
        return nullptr;
    }
    if (inputBuffer->frameLength() > 0) {
        return inputBuffer.get();
    }
    fileExhausted = true;
    return nullptr;
}

void AudioStreamReader::State::fail(std::string detail) {
    failure = TranscriptionError::unreadableAudio(std::move(detail));
    throw *failure;
}

} // namespace bw
