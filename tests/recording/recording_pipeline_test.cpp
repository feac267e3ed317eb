#include "library/library_test_support.h"
#include "platform/audio_file_info.h"
#include "platform/file_error.h"
#include "recording/captured_audio.h"
#include "recording/recording_pipeline.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <mutex>

namespace bw {
namespace {

using SampleType = CaptureFormat::SampleType;
using test::sine;

const CaptureFormat stereo48k{SampleType::signedInt16LittleEndian, 48000, 2};
const CaptureFormat mono44k{SampleType::float32LittleEndian, 44100, 1};

struct LevelCase {
    std::string name;
    std::vector<std::int16_t> samples;
    float level;
    friend void PrintTo(const LevelCase& c, std::ostream* out) { *out << c.name; }
};

class Level : public ::testing::TestWithParam<LevelCase> {};

TEST_P(Level, FollowsTheDecibelsOfTheRms) {
    EXPECT_NEAR(RecordingPipeline::level(GetParam().samples), GetParam().level, 0.001);
}

std::vector<std::int16_t> square(std::int16_t amplitude) {
    std::vector<std::int16_t> samples(1600);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = i % 20 < 10 ? amplitude : std::int16_t(-amplitude);
    }
    return samples;
}

INSTANTIATE_TEST_SUITE_P(RecordingPipeline, Level,
                         ::testing::Values(LevelCase{"Silence", std::vector<std::int16_t>(800), 0},
                                           LevelCase{"Nothing", {}, 0},
                                           LevelCase{"FullScale", square(32767), 1},
                                           // 10^(-30/20) × 32767 ≈ 1036: -30 dB RMS
                                           LevelCase{"Minus30dB", square(1036), 0.5},
                                           LevelCase{"BelowTheFloor", square(1), 0}),
                         [](const auto& info) { return info.param.name; });

class RecordingPipelineTest : public ::testing::Test {
protected:
    std::unique_ptr<RecordingPipeline> makePipeline() {
        return std::make_unique<RecordingPipeline>(
            file,
            [this](RecordingPipeline::Progress progress) {
                std::lock_guard held(lock);
                progresses.push_back(progress);
            },
            [this](std::exception_ptr) {
                std::lock_guard held(lock);
                ++failures;
            });
    }

    test::TemporaryFolder folder;
    std::filesystem::path file = folder / "audio.caf";
    std::mutex lock;
    std::vector<RecordingPipeline::Progress> progresses;
    int failures = 0;
};

TEST_F(RecordingPipelineTest, CountsOnlyWhatIsReceivedWhileNotPausedAndFinishesOnce) {
    auto pipeline = makePipeline();
    auto second = sine(stereo48k, 1.0, 440, 0.5);
    auto receive = [&](const CaptureBuffer& buffer) { pipeline->receive(buffer); };

    second.deliver(receive, 4800);
    ASSERT_EQ(progresses.size(), 10u);
    // 4800 frames at 48 kHz add 1600 frames, give or take what the resampler holds back.
    EXPECT_NEAR(progresses.back().duration, 1.0, 0.02);
    pipeline->setPaused(true);
    second.deliver(receive, 4800);
    const std::size_t progressesBeforeResume = progresses.size();
    pipeline->setPaused(false);
    second.deliver(receive, 4800);
    EXPECT_EQ(progresses.size(), progressesBeforeResume + 10);
    EXPECT_GT(progresses.back().level, 0.8f); // a sine of amplitude 0.5: about -9 dB

    const double duration = pipeline->finish();
    EXPECT_NEAR(duration, 2.0, 0.01);
    EXPECT_EQ(pipeline->finish(), duration);
    second.deliver(receive, 4800); // after finishing: dropped
    EXPECT_EQ(AudioFileInfo::of(file).frameCount, std::int64_t(std::lround(duration * 16000)));
    EXPECT_EQ(failures, 0);
}

TEST_F(RecordingPipelineTest, AFormatChangeMidRecordingGivesOneContinuousFile) {
    auto pipeline = makePipeline();
    auto receive = [&](const CaptureBuffer& buffer) { pipeline->receive(buffer); };
    sine(stereo48k, 1.0, 440, 0.5).deliver(receive);
    sine(mono44k, 1.0, 440, 0.5).deliver(receive, 4410);
    EXPECT_NEAR(pipeline->finish(), 2.0, 0.01);

    auto samples = test::decodedSamples(file);
    ASSERT_NEAR(double(samples.size()), 32000, 160);
    // The tone runs on through the switch: no 10 ms stretch is silent or clipped.
    for (std::size_t start = 1600; start + 160 < samples.size() - 1600; start += 160) {
        double energy = 0;
        for (std::size_t i = start; i < start + 160; ++i) {
            energy += double(samples[i]) * samples[i];
        }
        const double rms = std::sqrt(energy / 160);
        ASSERT_NEAR(rms, 0.5 / std::sqrt(2.0), 0.05) << "at " << double(start) / 16000 << " s";
    }
}

TEST_F(RecordingPipelineTest, AFullDiskIsReportedOnceAndKeepsTheAudioBeforeIt) {
    auto pipeline = makePipeline();
    auto audio = sine(stereo48k, 2.0, 440, 0.5);
    {
        // Room for half a second of audio after the header.
        test::FailingFileWrites fullDisk(CafWriter::headerSize + 16000);
        audio.deliver([&](const CaptureBuffer& buffer) { pipeline->receive(buffer); });
    }
    EXPECT_EQ(failures, 1);
    ASSERT_FALSE(progresses.empty());
    const double reported = progresses.back().duration;
    EXPECT_LE(reported, 0.5);
    EXPECT_GT(reported, 0.3);
    EXPECT_EQ(pipeline->finish(), reported);
    EXPECT_NEAR(AudioFileInfo::of(file).duration, reported, 1e-9);
}

TEST_F(RecordingPipelineTest, AFileThatCannotBeCreatedFailsTheStart) {
    file = folder / "missing" / "audio.caf";
    EXPECT_THROW(makePipeline(), FileError);
}

} // namespace
} // namespace bw
