#include "transcription/audio_stream_reader.h"

#include "base/cancellation_error.h"
#include "support/generated_audio.h"
#include "support/readable_param_name.h"
#include "support/wav_file.h"
#include "transcription/transcription_error.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace bw {
namespace {

using test::GeneratedAudio;
using test::tone;
using test::toneAmplitude;

// Reads the whole file in blocks of n, checking that only the last block is short and that
// the end stays the end.
std::vector<float> readInBlocks(AudioStreamReader& reader, std::size_t n) {
    std::vector<float> all;
    for (bool lastWasFull = true;;) {
        const std::vector<float> block = reader.read(n);
        if (block.empty()) {
            break;
        }
        EXPECT_TRUE(lastWasFull) << "a short block came before the end, at sample " << all.size();
        EXPECT_LE(block.size(), n);
        lastWasFull = block.size() == n;
        all.insert(all.end(), block.begin(), block.end());
    }
    EXPECT_TRUE(reader.read(n).empty());
    EXPECT_TRUE(reader.read(1).empty());
    return all;
}

struct FormatCase {
    std::string extension;
    int sampleRate;
    int channels;
    bool exactLength; // uncompressed: duration and sample count are exact

    friend void PrintTo(const FormatCase& c, std::ostream* out) {
        *out << c.extension << " " << c.sampleRate << " Hz " << c.channels << " ch";
    }
};

class AudioStreamReaderFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(AudioStreamReaderFormats, DecodesTenSecondsToSixteenKilohertzMono) {
    const FormatCase& format = GetParam();
    GeneratedAudio audio;
    const auto file = audio.make("tone." + format.extension, format.sampleRate,
                                 std::vector<std::string>(format.channels, tone(440)), 10);
    AudioStreamReader reader(file);
    // A compressed file's length is its container's figure, which may count the encoder's
    // delay and padding (up to two frames of 1,152 or 576 samples).
    EXPECT_NEAR(reader.duration(), 10.0, format.exactLength ? 1e-12 : 0.16);

    const std::vector<float> samples = readInBlocks(reader, 7000);
    EXPECT_NEAR(static_cast<double>(samples.size()), 160000, format.exactLength ? 1 : 800);
    EXPECT_NEAR(toneAmplitude(samples, 440), 0.5, 0.03);
    EXPECT_LT(toneAmplitude(samples, 1000), 0.005);
}

INSTANTIATE_TEST_SUITE_P(
    Files, AudioStreamReaderFormats,
    ::testing::Values(FormatCase{"wav", 44100, 2, true}, FormatCase{"wav", 48000, 2, true},
                      FormatCase{"wav", 8000, 1, true}, FormatCase{"caf", 44100, 2, true},
                      FormatCase{"caf", 48000, 2, true}, FormatCase{"caf", 8000, 1, true},
                      FormatCase{"mp3", 44100, 2, false}, FormatCase{"mp3", 48000, 2, false},
                      FormatCase{"mp3", 8000, 1, false}, FormatCase{"m4a", 44100, 2, false},
                      FormatCase{"m4a", 48000, 2, false}, FormatCase{"m4a", 8000, 1, false}),
    [](const auto& info) {
        return info.param.extension + std::to_string(info.param.sampleRate) + "Hz" +
               std::to_string(info.param.channels) + "ch";
    });

struct MixCase {
    std::string name;
    std::vector<std::string> channels;
    double expected440; // amplitude after mixing down
    double expected1000;
    std::vector<std::string> extensions = {"wav", "mp3", "m4a"};

    friend void PrintTo(const MixCase& c, std::ostream* out) { *out << c.name; }
};

class AudioStreamReaderMixing : public ::testing::TestWithParam<MixCase> {};

TEST_P(AudioStreamReaderMixing, MixesEveryChannelInsteadOfPickingOne) {
    const MixCase& mix = GetParam();
    GeneratedAudio audio;
    for (const std::string& extension : mix.extensions) {
        SCOPED_TRACE(extension);
        const auto samples =
            AudioStreamReader::readAll(audio.make("mix." + extension, 44100, mix.channels, 3));
        EXPECT_NEAR(toneAmplitude(samples, 440), mix.expected440, 0.02);
        EXPECT_NEAR(toneAmplitude(samples, 1000), mix.expected1000, 0.02);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Channels, AudioStreamReaderMixing,
    ::testing::Values(
        MixCase{"RightOnly", {"0", tone(440)}, 0.25, 0},
        MixCase{"LeftOnly", {tone(440), "0"}, 0.25, 0},
        MixCase{"OneToneEach", {tone(440), tone(1000)}, 0.25, 0.25},
        MixCase{"LastOfSix", {"0", "0", "0", "0", "0", tone(1000, 0.6)}, 0, 0.1, {"wav", "m4a"}}),
    [](const auto& info) { return info.param.name; });

class AudioStreamReaderBlocks : public ::testing::TestWithParam<std::size_t> {};

TEST_P(AudioStreamReaderBlocks, AnyBlockSizeYieldsTheSameSamples) {
    GeneratedAudio audio;
    const auto file = audio.make("blocks.wav", 44100, {tone(440), tone(1000)}, 2);
    const std::vector<float> expected = AudioStreamReader::readAll(file);
    ASSERT_EQ(expected.size(), 32000u);
    AudioStreamReader reader(file);
    EXPECT_EQ(readInBlocks(reader, GetParam()), expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, AudioStreamReaderBlocks,
                         ::testing::Values(1, 4999, 65536, 65537, 32000, 1 << 20),
                         test::ReadableParamName());

TEST(AudioStreamReader, FilesWithoutFramesGiveEmptyBlocksAtOnce) {
    GeneratedAudio audio;
    for (const std::string extension : {"wav", "caf"}) {
        AudioStreamReader reader(audio.make("empty." + extension, 44100, {"0", "0"}, 0));
        EXPECT_EQ(reader.duration(), 0.0);
        EXPECT_TRUE(reader.read(1000).empty());
        EXPECT_TRUE(reader.read(1).empty());
    }
}

TEST(AudioStreamReader, TruncatedFilesDeliverWhatTheyHold) {
    GeneratedAudio audio;
    for (const std::string extension : {"wav", "caf", "mp3"}) {
        SCOPED_TRACE(extension);
        const auto whole = audio.make("whole." + extension, 44100, {tone(440), tone(440)}, 10);
        const auto cut =
            audio.truncated(whole, "cut." + extension, std::filesystem::file_size(whole) / 2);
        AudioStreamReader reader(cut);
        const std::vector<float> samples = readInBlocks(reader, 16000);
        EXPECT_NEAR(static_cast<double>(samples.size()), 80000, 1000);
        if (extension != "mp3") { // a compressed file's length is its container's figure
            EXPECT_NEAR(reader.duration() * 16000, static_cast<double>(samples.size()), 1);
        }
    }
    // With its index written before the audio, a cut m4a still plays up to the cut.
    const auto m4a = audio.make("whole.m4a", 44100, {tone(440)}, 10, "-movflags +faststart");
    const auto cut = audio.truncated(m4a, "cut.m4a", std::filesystem::file_size(m4a) / 2);
    EXPECT_NEAR(static_cast<double>(AudioStreamReader::readAll(cut).size()), 80000, 4000);
}

struct FailureCase {
    std::string name;
    std::function<std::filesystem::path(const GeneratedAudio&)> file;
    std::string detail;

    friend void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }
};

class AudioStreamReaderFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(AudioStreamReaderFailures, NameTheFileAndTheReason) {
    GeneratedAudio audio;
    try {
        AudioStreamReader reader(GetParam().file(audio));
        FAIL() << "opened";
    } catch (const TranscriptionError& error) {
        EXPECT_EQ(error.kind(), TranscriptionError::Kind::unreadableAudio);
        EXPECT_EQ(error.detail(), GetParam().detail);
        EXPECT_EQ(std::string(error.what()),
                  "The audio file could not be read: " + GetParam().detail);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, AudioStreamReaderFailures,
    ::testing::Values(
        FailureCase{"TextNamedWav",
                    [](const GeneratedAudio& a) { return a.write("notes.wav", "Meeting notes\n"); },
                    "notes.wav: Invalid data found when processing input"},
        FailureCase{"Missing", [](const GeneratedAudio& a) { return a.path("absent.m4a"); },
                    "absent.m4a: No such file or directory"},
        FailureCase{"VideoOnly",
                    [](const GeneratedAudio& a) {
                        const auto target = a.path("video.mp4");
                        const std::string command =
                            "ffmpeg -v error -y -f lavfi -i testsrc=d=1:s=64x64 "
                            "-c:v mpeg4 '" +
                            target.string() + "'";
                        EXPECT_EQ(std::system(command.c_str()), 0);
                        return target;
                    },
                    "video.mp4: no audio track"},
        FailureCase{"M4aCutBeforeItsIndex",
                    [](const GeneratedAudio& a) {
                        const auto whole = a.make("whole.m4a", 44100, {tone(440)}, 10);
                        return a.truncated(whole, "cut.m4a", std::filesystem::file_size(whole) / 2);
                    },
                    "cut.m4a: Invalid data found when processing input"},
        FailureCase{
            "WavClaimingOneHertz",
            [](const GeneratedAudio& a) {
                test::writeWav(a.path("claim.wav"), std::vector<float>(8000), 1);
                return a.path("claim.wav");
            },
            "claim.wav: unsupported format 1 ch, 1 Hz, Float32, deinterleaved (pcm_s16le)"}),
    [](const auto& info) { return info.param.name; });

// Nine hours of 48 kHz stereo (a sparse file of zeros): a stop from another thread ends a read
// that would otherwise convert ten minutes of audio, and the reader stays stopped.
TEST(AudioStreamReader, StopsInTheMiddleOfAReadAndFromThenOn) {
    GeneratedAudio audio;
    const auto file = audio.path("long.wav");
    const std::uint32_t dataBytes = 0xF0000000;
    test::writeWav(file, {}, 48000, 2, dataBytes);
    std::filesystem::resize_file(file, 44 + std::uintmax_t(dataBytes));

    std::stop_source stop;
    AudioStreamReader reader(file, stop.get_token());
    ASSERT_EQ(reader.read(16000).size(), 16000u);
    std::jthread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop.request_stop();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(reader.read(16000 * 600), CancellationError);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_THROW(reader.read(1), CancellationError);
    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_THROW(AudioStreamReader(file, stopped.get_token()), CancellationError);
}

TEST(AudioStreamReaderDeathTest, BlockOfNoSamplesIsAProgrammingError) {
    GeneratedAudio audio;
    AudioStreamReader reader(audio.make("one.wav", 16000, {"0"}, 1));
    EXPECT_DEATH(reader.read(0), "maxSamples");
}

} // namespace
} // namespace bw
