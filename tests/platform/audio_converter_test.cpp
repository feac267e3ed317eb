#include "platform/audio_converter.h"

#include "platform/audio_file_error.h"
#include "support/generated_audio.h"
#include "support/readable_param_name.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace bw {
namespace {

// `seconds` of input at `rate`, channel c carrying a tone of amplitudes[c] at 440 Hz, handed
// out in blocks of 1,000 frames.
class ToneSource {
public:
    ToneSource(int rate, std::vector<double> amplitudes, double seconds)
        : m_rate(rate), m_amplitudes(std::move(amplitudes)),
          m_total(static_cast<std::size_t>(seconds * rate)),
          m_block(static_cast<int>(m_amplitudes.size()), 1000) {}

    const PcmBuffer* next() {
        const std::size_t frames = std::min(m_block.frameCapacity(), m_total - m_position);
        for (int c = 0; c < m_block.channelCount(); ++c) {
            for (std::size_t i = 0; i < frames; ++i) {
                const double t = static_cast<double>(m_position + i) / m_rate;
                m_block.channel(c)[i] =
                    static_cast<float>(m_amplitudes[c] * std::sin(2 * std::numbers::pi * 440 * t));
            }
        }
        m_position += frames;
        m_block.setFrameLength(frames);
        return frames > 0 ? &m_block : nullptr;
    }

private:
    int m_rate;
    std::vector<double> m_amplitudes;
    std::size_t m_total;
    std::size_t m_position = 0;
    PcmBuffer m_block;
};

// Converts everything to 16 kHz in output blocks of `capacity`; the end stays the end.
std::vector<float> convertAll(ToneSource& source, int rate, int channels, std::size_t capacity) {
    AudioConverter converter(rate, channels, 16000);
    std::vector<float> output;
    std::vector<float> block(capacity);
    const auto input = [&](std::size_t) { return source.next(); };
    for (;;) {
        std::size_t produced = 0;
        const auto status = converter.convert(block.data(), capacity, produced, input);
        EXPECT_LE(produced, capacity);
        output.insert(output.end(), block.begin(), block.begin() + produced);
        if (status == AudioConverter::Status::endOfStream) {
            break;
        }
        EXPECT_EQ(produced, capacity) << "only the last output may be short";
    }
    std::size_t produced = 1;
    EXPECT_EQ(converter.convert(block.data(), capacity, produced, input),
              AudioConverter::Status::endOfStream);
    EXPECT_EQ(produced, 0u);
    return output;
}

struct ConversionCase {
    int rate;
    std::vector<double> amplitudes;
    double expected; // 440 Hz amplitude of the mono output

    friend void PrintTo(const ConversionCase& c, std::ostream* out) {
        *out << c.rate << " Hz " << c.amplitudes.size() << " ch";
    }
};

class AudioConverterCases : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(AudioConverterCases, AveragesEveryChannelAndKeepsTheLength) {
    const ConversionCase& c = GetParam();
    const int channels = static_cast<int>(c.amplitudes.size());
    std::vector<float> reference;
    for (const std::size_t capacity : {std::size_t{1}, std::size_t{777}, std::size_t{65536}}) {
        SCOPED_TRACE(capacity);
        ToneSource source(c.rate, c.amplitudes, 2);
        const std::vector<float> output = convertAll(source, c.rate, channels, capacity);
        EXPECT_NEAR(static_cast<double>(output.size()), 32000, 1);
        EXPECT_NEAR(test::toneAmplitude(output, 440), c.expected, 0.005);
        if (reference.empty()) {
            reference = output;
        } else { // however the output is split, the samples are the same
            ASSERT_EQ(output.size(), reference.size());
            for (std::size_t i = 0; i < output.size(); ++i) {
                ASSERT_NEAR(output[i], reference[i], 1e-6) << "at " << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, AudioConverterCases,
                         ::testing::Values(ConversionCase{44100, {0.5, 0.5}, 0.5},
                                           ConversionCase{48000, {0, 0.9}, 0.45},
                                           ConversionCase{16000, {0.3}, 0.3},
                                           ConversionCase{8000, {0, 0, 0.6}, 0.2},
                                           ConversionCase{96000, {0.8, -0.8}, 0}),
                         test::ReadableParamName());

TEST(AudioConverter, RefusesWhatItCannotConvert) {
    for (const auto& [rate, channels] :
         std::vector<std::pair<int, int>>{{0, 2}, {-44100, 2}, {44100, 0}, {44100, 65}}) {
        try {
            AudioConverter converter(rate, channels, 16000);
            ADD_FAILURE() << rate << " Hz, " << channels << " channels accepted";
        } catch (const AudioFileError& error) {
            EXPECT_EQ(error.kind(), AudioFileError::Kind::unsupportedFormat);
        }
    }
}

} // namespace
} // namespace bw
