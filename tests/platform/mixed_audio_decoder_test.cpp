#include "platform/mixed_audio_decoder.h"

#include "support/temporary_folder.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <optional>

namespace bw {
namespace {

struct MixCase {
    const char* name;
    std::vector<float> first;
    std::uint32_t firstRate;
    std::optional<std::vector<float>> second; // none: no second track; empty: an unreadable one
    std::uint32_t secondRate;
    std::vector<float> heard; // what the mix gives, whole
};

class Mixes : public testing::TestWithParam<MixCase> {};

// Two tracks of one recording play as one: added sample by sample, the shorter one silent after
// its end, never beyond full scale; a track that cannot be mixed in is left out.
TEST_P(Mixes, AddTheTracksOverTheLongerOnesLength) {
    const auto& c = GetParam();
    test::TemporaryFolder folder;
    test::writeWav(folder.path() / "audio.wav", c.first, c.firstRate);
    std::optional<std::filesystem::path> second;
    if (c.second) {
        second = folder.path() / "system.wav";
        if (c.second->empty()) {
            std::ofstream(*second) << "not audio";
        } else {
            test::writeWav(*second, *c.second, c.secondRate);
        }
    }
    MixedAudioDecoder decoder(folder.path() / "audio.wav", second);
    EXPECT_EQ(decoder.lengthInFrames(), std::int64_t(c.heard.size()));

    PcmBuffer block(1, 3); // smaller than the tracks, so reads cross the shorter one's end
    std::vector<float> heard;
    while (std::size_t frames = decoder.read(block, 3)) {
        heard.insert(heard.end(), block.channel(0), block.channel(0) + frames);
    }
    ASSERT_EQ(heard.size(), c.heard.size());
    for (std::size_t i = 0; i < heard.size(); ++i) {
        EXPECT_NEAR(heard[i], c.heard[i], 1e-3) << i;
    }

    decoder.seek(2);
    ASSERT_EQ(decoder.read(block, 3), std::min<std::size_t>(3, c.heard.size() - 2));
    EXPECT_NEAR(block.channel(0)[0], c.heard[2], 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Tracks, Mixes,
    testing::Values(
        MixCase{
            "oneTrack", {0.1f, 0.2f, 0.3f, 0.4f}, 16000, std::nullopt, 0, {0.1f, 0.2f, 0.3f, 0.4f}},
        MixCase{"secondLonger",
                {0.1f, 0.2f, 0.3f},
                16000,
                std::vector<float>{0.5f, -0.5f, 0.25f, 0.125f, -0.25f},
                16000,
                {0.6f, -0.3f, 0.55f, 0.125f, -0.25f}},
        MixCase{"firstLonger",
                {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f},
                16000,
                std::vector<float>{0.5f},
                16000,
                {0.6f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f}},
        MixCase{"beyondFullScale",
                {0.75f, -0.75f, 0.5f},
                16000,
                std::vector<float>{0.75f, -0.75f, 0.25f},
                16000,
                {1.0f, -1.0f, 0.75f}},
        MixCase{"otherRate",
                {0.1f, 0.2f, 0.3f},
                16000,
                std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f},
                48000,
                {0.1f, 0.2f, 0.3f}},
        MixCase{"unreadableSecond",
                {0.1f, 0.2f, 0.3f},
                16000,
                std::vector<float>{},
                16000,
                {0.1f, 0.2f, 0.3f}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bw
