#include "platform/audio_file_decoder.h"

#include "support/generated_audio.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace bw
