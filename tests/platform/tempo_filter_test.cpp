#include "platform/tempo_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace bw {
namespace {

struct TempoCase {
    const char* name;
    int rate;
    int channels;
    double tempo;
};

class TempoFilterTest : public testing::TestWithParam<TempoCase> {};

// Two seconds of a 440 Hz tone come out 2 / tempo seconds long, still at 440 Hz.
TEST_P(TempoFilterTest, ChangesTheLengthAndKeepsThePitch) {
    const TempoCase& param = GetParam();
    TempoFilter filter(param.rate, param.channels, param.tempo);
    const std::size_t total = std::size_t(2 * param.rate);
    PcmBuffer block(param.channels, 4096);
    std::vector<float> out;
    for (std::size_t done = 0; done < total;) {
        const std::size_t frames = std::min<std::size_t>(4096, total - done);
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = double(done + i) / param.rate;
            for (int c = 0; c < param.channels; ++c) {
                block.channel(c)[i] = float(0.5 * std::sin(2 * std::numbers::pi * 440 * t));
            }
        }
        filter.push(block, frames);
        done += frames;
        filter.pull(out, 1 << 20);
    }
    filter.finish();
    while (filter.pull(out, 1 << 20) > 0) {
    }
    const std::size_t frames = out.size() / std::size_t(param.channels);
    EXPECT_NEAR(double(frames) / param.rate, 2 / filter.tempo(), 0.05);

    // Rising zero crossings of the first channel, away from the ends.
    int crossings = 0;
    const std::size_t from = frames / 10;
    const std::size_t to = frames - frames / 10;
    for (std::size_t i = from + 1; i < to; ++i) {
        const float before = out[(i - 1) * std::size_t(param.channels)];
        const float now = out[i * std::size_t(param.channels)];
        crossings += before < 0 && now >= 0;
    }
    const double seconds = double(to - from) / param.rate;
    EXPECT_NEAR(crossings / seconds, 440, 440 * 0.03);
}

INSTANTIATE_TEST_SUITE_P(Tempos, TempoFilterTest,
                         testing::Values(TempoCase{"half_mono_16k", 16000, 1, 0.5},
                                         TempoCase{"one_and_a_half_mono_16k", 16000, 1, 1.5},
                                         TempoCase{"double_stereo_48k", 48000, 2, 2.0},
                                         TempoCase{"beyond_double_is_double", 16000, 1, 3.0}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bw
