#include "transcription/echo_canceller.h"

#include "support/temporary_folder.h"
#include "support/wav_file.h"
#include "transcription/audio_stream_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace bw {
namespace {

constexpr int rate = AudioStreamReader::sampleRate;

// Seconds `from` to `to` of `samples`, their energy in decibels.
double decibels(const std::vector<float>& samples, double from, double to) {
    double sum = 1e-12;
    for (auto i = std::size_t(from * rate); i < std::size_t(to * rate) && i < samples.size(); ++i) {
        sum += double(samples[i]) * samples[i];
    }
    return 10 * std::log10(sum);
}

struct LearningCase {
    const char* name;
    double learningSeconds;
};

class EchoCancellerTest : public testing::TestWithParam<LearningCase> {};

// The other side talks in turns of noise; the microphone hears them 10 ms later at -6 dB over a
// faint floor. Learning over the whole recording or over its first seconds only, the echo is
// taken well down from the first second on to the last.
TEST_P(EchoCancellerTest, TakesTheEchoDownFromTheStart) {
    test::TemporaryFolder folder;
    const double seconds = 20;
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0, 1);
    std::vector<float> played(std::size_t(seconds * rate)), heard(played.size());
    for (std::size_t i = 0; i < played.size(); ++i) {
        const bool talking = std::fmod(double(i) / rate, 1.5) < 1.0;
        played[i] = talking ? 0.1f * noise(random) : 0;
        heard[i] = 1e-4f * noise(random) + (i >= 160 ? 0.5f * played[i - 160] : 0);
    }
    test::writeWav(folder.path() / "mic.wav", heard);
    test::writeWav(folder.path() / "system.wav", played);

    EchoCanceller::cancel(folder.path() / "mic.wav", folder.path() / "system.wav",
                          folder.path() / "cleaned.caf", {}, GetParam().learningSeconds);
    AudioStreamReader reader(folder.path() / "cleaned.caf");
    const auto cleaned = reader.read(heard.size() + 1000);
    EXPECT_EQ(cleaned.size(), heard.size());
    // Without learning first, the first turns keep 12 and 24 dB of it.
    for (const auto& [start, down] : {std::pair{0.0, 16.0}, {1.5, 28.0}, {seconds - 2, 28.0}}) {
        EXPECT_GT(decibels(heard, start, start + 1) - decibels(cleaned, start, start + 1), down)
            << "the turn at " << start << " s";
    }
}

INSTANTIATE_TEST_SUITE_P(Learning, EchoCancellerTest,
                         testing::Values(LearningCase{"OverTheWholeRecording", 60},
                                         LearningCase{"OverItsFirstSeconds", 8}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bw
