#include "platform/audio_file_decoder.h"

#include "support/generated_audio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace bw {
namespace {

using test::GeneratedAudio;
using test::tone;

// Every frame of the file, channel by channel, read in blocks of 4,096.
std::vector<std::vector<float>> readChannels(AudioFileDecoder& decoder) {
    std::vector<std::vector<float>> channels(static_cast<std::size_t>(decoder.channelCount()));
    PcmBuffer buffer(decoder.channelCount(), 4096);
    while (const std::size_t frames = decoder.read(buffer, 10000)) {
        EXPECT_EQ(frames, buffer.frameLength());
        for (int c = 0; c < decoder.channelCount(); ++c) {
            channels[c].insert(channels[c].end(), buffer.channel(c), buffer.channel(c) + frames);
        }
    }
    EXPECT_EQ(decoder.read(buffer, 10000), 0u);
    return channels;
}

double amplitude(const std::vector<float>& samples, int hertz, int rate) {
    return test::toneAmplitude(samples.data() + samples.size() / 4, samples.size() / 2, hertz,
                               rate);
}

class AudioFileDecoderEncodings : public ::testing::TestWithParam<std::string> {};

// Left 440 Hz, right 1,000 Hz: each channel keeps its own tone at the file's rate.
TEST_P(AudioFileDecoderEncodings, KeepsChannelsApartAtTheFilesRate) {
    GeneratedAudio audio;
    const std::string& arguments = GetParam();
    const std::string extension = arguments.find("pcm") != std::string::npos   ? "wav"
                                  : arguments.find("aac") != std::string::npos ? "m4a"
                                                                               : "mp3";
    AudioFileDecoder decoder(
        audio.make("pair." + extension, 48000, {tone(440), tone(1000)}, 2, arguments));
    ASSERT_EQ(decoder.sampleRate(), 48000);
    ASSERT_EQ(decoder.channelCount(), 2);
    const auto channels = readChannels(decoder);
    EXPECT_EQ(decoder.framePosition(), static_cast<std::int64_t>(channels[0].size()));
    EXPECT_NEAR(static_cast<double>(channels[0].size()), 96000, extension == "wav" ? 0 : 2400);
    EXPECT_NEAR(amplitude(channels[0], 440, 48000), 0.5, 0.03);
    EXPECT_LT(amplitude(channels[0], 1000, 48000), 0.01);
    EXPECT_NEAR(amplitude(channels[1], 1000, 48000), 0.5, 0.03);
    EXPECT_LT(amplitude(channels[1], 440, 48000), 0.01);
}

INSTANTIATE_TEST_SUITE_P(SampleFormats, AudioFileDecoderEncodings,
                         ::testing::Values("-c:a pcm_u8", "-c:a pcm_s16le", "-c:a pcm_s24le",
                                           "-c:a pcm_f32le", "-c:a libmp3lame", "-c:a aac"));

// Files whose container does not state their length are counted; the count matches what is
// delivered.
TEST(AudioFileDecoder, CountsWhatTheContainerDoesNotState) {
    GeneratedAudio audio;
    const auto mp3 = audio.make("plain.mp3", 44100, {tone(440), "0"}, 5, "-write_xing 0");
    const auto caf = audio.path("streamed.caf");
    const std::string streamed = "ffmpeg -v error -f lavfi -i 'aevalsrc=" + tone(440) +
                                 ":s=16000:d=5' -c:a pcm_s16le -f caf pipe:1 > '" + caf.string() +
                                 "'";
    ASSERT_EQ(std::system(streamed.c_str()), 0);
    for (const auto& file : {mp3, caf}) {
        SCOPED_TRACE(file.filename());
        AudioFileDecoder decoder(file);
        const std::int64_t stated = decoder.lengthInFrames();
        EXPECT_EQ(static_cast<std::int64_t>(readChannels(decoder)[0].size()), stated);
    }
}

// Joined mp3 files can change rate and channel count part-way; everything comes out in the
// first part's format at the same loudness.
TEST(AudioFileDecoder, FollowsFormatChangesInsideTheFile) {
    GeneratedAudio audio;
    const auto mono = audio.make("a.mp3", 44100, {tone(440)}, 2, "-write_xing 0");
    const auto stereo = audio.make("b.mp3", 48000, {tone(440), tone(440)}, 2, "-write_xing 0");
    const std::string join = "cat '" + mono.string() + "' '" + stereo.string() + "' > '" +
                             audio.path("joined.mp3").string() + "'";
    ASSERT_EQ(std::system(join.c_str()), 0);
    AudioFileDecoder decoder(audio.path("joined.mp3"));
    ASSERT_EQ(decoder.sampleRate(), 44100);
    ASSERT_EQ(decoder.channelCount(), 1);
    const std::vector<float> samples = readChannels(decoder)[0];
    EXPECT_NEAR(static_cast<double>(samples.size()), 4 * 44100, 4000); // plus encoder padding
    const std::size_t half = samples.size() / 2;
    for (const std::size_t start : {std::size_t{0}, half}) {
        EXPECT_NEAR(test::toneAmplitude(samples.data() + start + half / 4, half / 2, 440, 44100),
                    0.5, 0.03)
            << "from " << start;
    }
}

struct SeekCase {
    std::string name;
    std::string file;
    std::string arguments;
    float tolerance; // lossy decoders settle within this after their pre-roll; a frame off
                     // shifts the 1 kHz channel by about 0.07
};

class AudioFileDecoderSeeking : public ::testing::TestWithParam<SeekCase> {};

// After a seek, read() delivers exactly the frames a reading from the start delivers at that
// place, forwards and backwards, and the position says so.
TEST_P(AudioFileDecoderSeeking, LandsOnTheFrameAReadingFromTheStartFinds) {
    GeneratedAudio audio;
    const SeekCase& c = GetParam();
    const auto file =
        audio.make(c.file, 44100, {tone(440) + "+" + tone(3001, 0.2), tone(1000)}, 3, c.arguments);
    AudioFileDecoder whole(file);
    const std::int64_t length = whole.lengthInFrames();
    const std::vector<float> reference = readChannels(whole)[1];
    ASSERT_GT(length, 100000);
    // A lossy file's stated length may miss its padding or count it: what a reading finds
    // after a seek is compared with what there is.
    const auto available = static_cast<std::int64_t>(reference.size());

    AudioFileDecoder decoder(file);
    PcmBuffer buffer(2, 1000);
    for (const std::int64_t target :
         {std::int64_t{100000}, std::int64_t{12345}, std::int64_t{1}, length - 10, length / 2,
          length + 5000, std::int64_t{0}, std::int64_t{-7}, std::int64_t{12346}}) {
        SCOPED_TRACE("frame " + std::to_string(target));
        decoder.seek(target);
        const std::int64_t expected =
            std::min(std::clamp<std::int64_t>(target, 0, length), available);
        EXPECT_EQ(decoder.framePosition(), expected);
        const std::size_t frames = decoder.read(buffer, 1000);
        ASSERT_EQ(frames, static_cast<std::size_t>(
                              std::clamp<std::int64_t>(available - expected, 0, 1000)));
        float worst = 0;
        for (std::size_t i = 0; i < frames; ++i) {
            worst = std::max(worst, std::abs(buffer.channel(1)[i] -
                                             reference[static_cast<std::size_t>(expected) + i]));
        }
        EXPECT_LE(worst, c.tolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, AudioFileDecoderSeeking,
                         ::testing::Values(SeekCase{"wav", "s.wav", "-c:a pcm_s16le", 0},
                                           SeekCase{"caf", "s.caf", "-c:a pcm_s16le", 0},
                                           SeekCase{"flac", "s.flac", "", 0},
                                           SeekCase{"mp3", "s.mp3", "-c:a libmp3lame", 0.005f},
                                           SeekCase{"m4a", "s.m4a", "-c:a aac", 0.005f}),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace bw
