#include "transcription/echo_canceller.h"

#include "platform/caf_writer.h"
#include "transcription/audio_stream_reader.h"

#include <speex/speex_echo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace bw {

namespace {

constexpr int frameSize = 160; // 10 ms at 16 kHz, as the canceller works best
constexpr std::size_t blockFrames = 1000;

std::int16_t toInt16(float sample) {
    return static_cast<std::int16_t>(
        std::clamp(std::round(sample * 32767.0f), -32768.0f, 32767.0f));
}

struct EchoState {
    explicit EchoState(int filterLength) : state(speex_echo_state_init(frameSize, filterLength)) {
        int rate = AudioStreamReader::sampleRate;
        speex_echo_ctl(state, SPEEX_ECHO_SET_SAMPLING_RATE, &rate);
    }
    ~EchoState() { speex_echo_state_destroy(state); }
    EchoState(const EchoState&) = delete;
    EchoState& operator=(const EchoState&) = delete;

    SpeexEchoState* state;
};

// Runs the microphone's track through the canceller once, frame by frame, up to `limit` samples
// of it; `cleaned` gets each cleaned block. The reference is silence past its end.
template <typename Cleaned>
void run(EchoState& echo, const std::filesystem::path& microphone,
         const std::filesystem::path& reference, std::stop_token stop, std::size_t limit,
         Cleaned&& cleaned) {
    AudioStreamReader heard(microphone, stop);
    AudioStreamReader played(reference, stop);
    std::vector<std::int16_t> input(blockFrames * frameSize);
    std::vector<std::int16_t> echoSource(blockFrames * frameSize);
    std::vector<std::int16_t> output(blockFrames * frameSize);
    for (std::size_t done = 0; done < limit;) {
        const auto samples = heard.read(std::min(input.size(), limit - done));
        if (samples.empty()) {
            return;
        }
        done += samples.size();
        const auto playedSamples = played.read(samples.size());
        std::transform(samples.begin(), samples.end(), input.begin(), toInt16);
        std::fill(echoSource.begin(), echoSource.end(), 0);
        std::transform(playedSamples.begin(), playedSamples.end(), echoSource.begin(), toInt16);
        // The last, partial frame is padded with silence and cut back after cleaning.
        const std::size_t frames = (samples.size() + frameSize - 1) / frameSize;
        std::fill(input.begin() + std::ptrdiff_t(samples.size()),
                  input.begin() + std::ptrdiff_t(frames * frameSize), 0);
        for (std::size_t f = 0; f < frames; ++f) {
            speex_echo_cancellation(echo.state, input.data() + f * frameSize,
                                    echoSource.data() + f * frameSize,
                                    output.data() + f * frameSize);
        }
        cleaned(output.data(), samples.size());
    }
}

} // namespace

void EchoCanceller::cancel(const std::filesystem::path& microphone,
                           const std::filesystem::path& reference,
                           const std::filesystem::path& output, std::stop_token stop,
                           double learningSeconds) {
    EchoState echo(int(std::lround(filterSeconds * AudioStreamReader::sampleRate)));
    run(echo, microphone, reference, stop,
        std::size_t(std::max(0.0, learningSeconds) * AudioStreamReader::sampleRate),
        [](const std::int16_t*, std::size_t) {});
    CafWriter writer(output, AudioStreamReader::sampleRate, 1);
    run(echo, microphone, reference, stop, std::numeric_limits<std::size_t>::max(),
        [&writer](const std::int16_t* samples, std::size_t count) {
            writer.write(samples, count);
        });
    writer.close();
}

} // namespace bw
