#include "platform/audio_file_info.h"

#include "platform/audio_file_error.h"
#include "support/generated_audio.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

using test::GeneratedAudio;
using test::tone;

struct InfoCase {
    std::string name;
    int sampleRate;
    int channels;
    std::int64_t frames; // 10 seconds' worth
    double tolerance;    // in frames
    std::string arguments = "";
};

class AudioFileInfoCases : public ::testing::TestWithParam<InfoCase> {};

TEST_P(AudioFileInfoCases, MeasuresRateChannelsAndLength) {
    const InfoCase& c = GetParam();
    GeneratedAudio audio;
    const auto file = audio.make(c.name, c.sampleRate,
                                 std::vector<std::string>(c.channels, tone(440)), 10, c.arguments);
    const AudioFileInfo info = AudioFileInfo::of(file);
    EXPECT_EQ(info.sampleRate, c.sampleRate);
    EXPECT_EQ(info.channelCount, c.channels);
    EXPECT_NEAR(static_cast<double>(info.frameCount), static_cast<double>(c.frames), c.tolerance);
    EXPECT_DOUBLE_EQ(info.duration, static_cast<double>(info.frameCount) / c.sampleRate);
}

INSTANTIATE_TEST_SUITE_P(Files, AudioFileInfoCases,
                         ::testing::Values(InfoCase{"stereo.wav", 44100, 2, 441000, 0},
                                           InfoCase{"six.wav", 48000, 6, 480000, 0},
                                           InfoCase{"mono.caf", 8000, 1, 80000, 0},
                                           InfoCase{"float.caf", 22050, 2, 220500, 0,
                                                    "-c:a pcm_f32le"},
                                           InfoCase{"stereo.m4a", 48000, 2, 480000, 0},
                                           InfoCase{"stereo.mp3", 44100, 2, 441000, 2 * 1152}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             name[name.find('.')] = '_';
                             return name;
                         });

TEST(AudioFileInfo, TruncatedPcmCountsOnlyTheFramesPresent) {
    GeneratedAudio audio;
    for (const std::string extension : {"wav", "caf"}) {
        const auto whole = audio.make("whole." + extension, 16000, {tone(440)}, 10);
        const auto size = std::filesystem::file_size(whole);
        const auto cut = audio.truncated(whole, "cut." + extension, size - 32001);
        // 16-bit mono: 2 bytes a frame; the half frame left at the end does not count.
        EXPECT_EQ(AudioFileInfo::of(cut).frameCount, 160000 - 16001) << extension;
    }
}

TEST(AudioFileInfo, FailuresCarryFfmpegsMessage) {
    GeneratedAudio audio;
    const auto text = audio.write("notes.wav", "Meeting notes\n");
    const auto video = audio.path("video.mp4");
    const std::string command =
        "ffmpeg -v error -f lavfi -i testsrc=d=1:s=64x64 -c:v mpeg4 '" + video.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<std::tuple<std::filesystem::path, AudioFileError::Kind, std::string>> cases{
        {text, AudioFileError::Kind::cannotOpen, "Invalid data found when processing input"},
        {audio.path("absent.mp3"), AudioFileError::Kind::cannotOpen, "No such file or directory"},
        {video, AudioFileError::Kind::noAudioTrack, "no audio track"}};
    for (const auto& [file, kind, message] : cases) {
        try {
            AudioFileInfo::of(file);
            ADD_FAILURE() << file << " measured";
        } catch (const AudioFileError& error) {
            EXPECT_EQ(error.kind(), kind) << file;
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
}

} // namespace
} // namespace bw
