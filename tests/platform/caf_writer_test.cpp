#include "platform/audio_file_decoder.h"
#include "platform/audio_file_info.h"
#include "platform/caf_writer.h"
#include "platform/file_error.h"
#include "platform/pcm_buffer.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <numeric>

namespace bw {
namespace {

namespace fs = std::filesystem;

// A ramp of distinct samples, so that every frame can be checked where it lands.
std::vector<std::int16_t> ramp(std::size_t frames, std::int16_t from) {
    std::vector<std::int16_t> samples(frames);
    std::iota(samples.begin(), samples.end(), from);
    return samples;
}

std::vector<float> samplesOf(const fs::path& file) {
    AudioFileDecoder decoder(file);
    EXPECT_EQ(decoder.sampleRate(), 16000);
    EXPECT_EQ(decoder.channelCount(), 1);
    PcmBuffer buffer(1, 1024);
    std::vector<float> samples;
    while (std::size_t frames = decoder.read(buffer, buffer.frameCapacity())) {
        samples.insert(samples.end(), buffer.channel(0), buffer.channel(0) + frames);
    }
    return samples;
}

class CafWriterTest : public ::testing::TestWithParam<bool> {};

// Closed or cut off as by a crash (the writer never closed), the file reads back every frame.
TEST_P(CafWriterTest, EveryFrameWrittenIsReadable) {
    const bool closed = GetParam();
    test::TemporaryFolder folder;
    const fs::path file = folder / "audio.caf";
    const fs::path copy = folder / "cut-off.caf";
    {
        CafWriter writer(file, 16000, 1);
        writer.write(ramp(3000, 0).data(), 3000);
        writer.write(ramp(1000, 3000).data(), 1000);
        EXPECT_EQ(writer.framesWritten(), 4000);
        if (closed) {
            writer.close();
            writer.close();
            EXPECT_THROW(writer.write(ramp(1, 0).data(), 1), FileError);
        } else {
            fs::copy_file(file, copy);
        }
    }
    const fs::path written = closed ? file : copy;
    EXPECT_EQ(fs::status(written).permissions() & fs::perms::all,
              closed ? fs::perms::owner_read | fs::perms::owner_write
                     : fs::status(written).permissions() & fs::perms::all);
    EXPECT_EQ(AudioFileInfo::of(written).frameCount, 4000);
    auto samples = samplesOf(written);
    ASSERT_EQ(samples.size(), 4000u);
    for (std::size_t i = 0; i < samples.size(); i += 499) {
        EXPECT_EQ(std::lround(samples[i] * 32768), long(i)) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(CafWriter, CafWriterTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Closed" : "CutOff"; });

} // namespace
} // namespace bw
