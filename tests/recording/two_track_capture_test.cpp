// Recording the microphone and this computer's sound together against a private sound server:
// a remapped monitor of a null sink as the microphone and the default null sink's monitor as
// this computer's sound, each played by a stream of its own with a tone of its own and a click
// every 1.5 s, so that each track's content and the alignment of the two can be checked.
#include "library/library_model.h"
#include "library/library_navigation.h"
#include "platform/audio_file_info.h"
#include "platform/audio_input_devices.h"
#include "platform/monotonic_clock.h"
#include "platform/pulse_connection.h"
#include "platform/system_microphone_access.h"
#include "recording/captured_audio.h"
#include "recording/recorder_model.h"
#include "support/core_application.h"
#include "support/pulse_audio_daemon.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <sstream>
#include <thread>

namespace bw {
namespace {

namespace fs = std::filesystem;
using Phase = RecorderModel::Phase;

constexpr int feedRate = 48000;
constexpr double microphoneTone = 300;
constexpr double clickPeriod = 1.5; // seconds

// Plays a tone with a click every clickPeriod into one sink, 48 kHz stereo, as fast as the
// server asks for it: nothing waits in a pipe or a blocked writer, and the stream's own timing
// says when each click will be played.
class FeedStream {
public:
    FeedStream(PulseConnection& connection, const std::string& sink, double tone,
               std::int64_t firstFrame)
        : m_connection(connection), m_tone(tone), m_frame(firstFrame) {
        const pa_sample_spec format{PA_SAMPLE_S16LE, feedRate, 2};
        pa_buffer_attr buffer{};
        buffer.maxlength = buffer.prebuf = buffer.fragsize = std::uint32_t(-1);
        buffer.tlength = std::uint32_t(pa_usec_to_bytes(20000, &format));
        buffer.minreq = std::uint32_t(pa_usec_to_bytes(5000, &format));
        PulseLock held(m_connection);
        m_stream = pa_stream_new(m_connection.context(), "call feed", &format, nullptr);
        pa_stream_set_write_callback(m_stream, onWrite, this);
        pa_stream_connect_playback(m_stream, sink.c_str(), &buffer,
                                   pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING |
                                                     PA_STREAM_AUTO_TIMING_UPDATE |
                                                     PA_STREAM_ADJUST_LATENCY),
                                   nullptr, nullptr);
    }
    ~FeedStream() {
        PulseLock held(m_connection);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    FeedStream(const FeedStream&) = delete;
    FeedStream& operator=(const FeedStream&) = delete;

    std::int64_t frame() {
        std::lock_guard held(m_lock);
        return m_frame;
    }
    // Click number -> the monotonic time the server plays it.
    std::map<std::int64_t, double> heard() {
        std::lock_guard held(m_lock);
        return m_heard;
    }

private:
    static void onWrite(pa_stream* stream, std::size_t bytes, void* userdata) {
        static_cast<FeedStream*>(userdata)->write(stream, bytes / 4);
    }

    void write(pa_stream* stream, std::size_t frames) {
        std::lock_guard held(m_lock);
        const auto clickFrames = std::int64_t(clickPeriod * feedRate);
        std::vector<std::int16_t> chunk(frames * 2);
        std::optional<std::int64_t> click;
        for (std::size_t i = 0; i < frames; ++i) {
            const std::int64_t frame = m_frame + std::int64_t(i);
            const bool clicking = frame % clickFrames < feedRate / 500;
            if (frame % clickFrames == 0) {
                click = frame;
            }
            const double t = double(frame) / feedRate;
            const double value = clicking ? 0.9 : 0.2 * std::sin(2 * std::numbers::pi * m_tone * t);
            chunk[2 * i] = chunk[2 * i + 1] = std::int16_t(std::lround(value * 32767));
        }
        pa_stream_write(stream, chunk.data(), chunk.size() * sizeof(std::int16_t), nullptr, 0,
                        PA_SEEK_RELATIVE);
        m_frame += std::int64_t(frames);
        pa_usec_t latency = 0; // until the last frame written is played
        int negative = 0;
        if (click && pa_stream_get_latency(stream, &latency, &negative) == 0 && !negative) {
            m_heard[*click / clickFrames] =
                monotonicSeconds() + double(latency) / 1e6 - double(m_frame - *click) / feedRate;
        }
    }

    PulseConnection& m_connection;
    pa_stream* m_stream = nullptr;
    std::mutex m_lock;
    double m_tone;
    std::int64_t m_frame;
    std::map<std::int64_t, double> m_heard;
};

// Both sides of a call: the microphone's sink and an output, each played with its own tone and
// a click every clickPeriod of its stream. The tracks must place the clicks as far apart as the
// server plays them.
class CallFeed {
public:
    CallFeed(const std::string& microphoneSink, const std::string& sink, double tone)
        : m_microphone(m_connection, microphoneSink, microphoneTone, 0),
          m_output(std::make_unique<FeedStream>(m_connection, sink, tone, 0)) {}
    // Plays on from now on into `sink`, with `tone`, its clicks numbered on.
    void switchTo(const std::string& sink, double tone) {
        const auto frame = m_output->frame();
        m_earlierOutputs.merge(m_output->heard());
        m_output = std::make_unique<FeedStream>(m_connection, sink, tone, frame);
    }
    // How much later this computer's sound plays the clicks than the microphone's side: the
    // median over the clicks the microphone's side plays from `from` (monotonic seconds) on.
    double heardLag(double from) {
        auto system = m_output->heard();
        system.insert(m_earlierOutputs.begin(), m_earlierOutputs.end());
        std::vector<double> lags;
        for (const auto& [click, microphone] : m_microphone.heard()) {
            const auto other = system.find(click);
            if (microphone >= from && other != system.end()) {
                lags.push_back(other->second - microphone);
            }
        }
        if (lags.empty()) {
            return 0;
        }
        std::nth_element(lags.begin(), lags.begin() + std::ptrdiff_t(lags.size() / 2), lags.end());
        return lags[lags.size() / 2];
    }

private:
    PulseConnection m_connection;
    FeedStream m_microphone;
    std::unique_ptr<FeedStream> m_output;
    std::map<std::int64_t, double> m_earlierOutputs; // clicks of the outputs played before
};

// The share (0...1) of the samples' energy that is at `hertz`, by Goertzel over 100 ms blocks
// (so that a phase jump at a gap or a cut costs one block, not the whole measure).
double toneShare(const std::vector<float>& samples, double hertz) {
    const double w = 2 * std::numbers::pi * hertz / 16000;
    const std::size_t block = 1600;
    double tone = 0, total = 0;
    for (std::size_t start = 0; start + block <= samples.size(); start += block) {
        double s1 = 0, s2 = 0;
        for (std::size_t i = start; i < start + block; ++i) {
            const double s = samples[i] + 2 * std::cos(w) * s1 - s2;
            s2 = s1;
            s1 = s;
            total += double(samples[i]) * samples[i];
        }
        tone += 2 * (s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2) / double(block);
    }
    return total > 0 ? tone / total : 0;
}

// Where the clicks start (samples above 0.6 after at least 50 ms below it).
std::vector<std::int64_t> clicks(const std::vector<float>& samples) {
    std::vector<std::int64_t> found;
    std::int64_t last = -100000;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > 0.6) {
            if (std::int64_t(i) - last > 800) {
                found.push_back(std::int64_t(i));
            }
            last = std::int64_t(i);
        }
    }
    return found;
}

// The lag (seconds) of `b` behind `a` at which their click trains correlate best, within a
// third of a second, over a's clicks from `from` to `to` seconds, and the share of those that
// have a partner within 20 ms of it anywhere in b.
std::pair<double, double> clickLag(const std::vector<float>& a, const std::vector<float>& b,
                                   double from, double to) {
    auto ca = clicks(a);
    std::erase_if(ca, [&](std::int64_t x) { return x < from * 16000 || x > to * 16000; });
    const auto cb = clicks(b);
    std::map<std::int64_t, int> histogram; // 1 ms bins of b − a
    for (auto x : ca) {
        for (auto y : cb) {
            if (std::abs(y - x) < 16000 / 3) {
                ++histogram[(y - x) / 16];
            }
        }
    }
    if (histogram.empty()) {
        return {1e9, 0};
    }
    auto best = std::max_element(histogram.begin(), histogram.end(),
                                 [](auto& l, auto& r) { return l.second < r.second; });
    const double lag = double(best->first) / 1000;
    int paired = 0;
    for (auto x : ca) {
        paired += std::any_of(cb.begin(), cb.end(), [&](auto y) {
            return std::abs(double(y - x) / 16000 - lag) < 0.020;
        });
    }
    return {lag, double(paired) / double(ca.size())};
}

std::vector<float> slice(const std::vector<float>& samples, double from, double to) {
    const auto begin = std::min(samples.size(), std::size_t(from * 16000));
    const auto end = std::min(samples.size(), std::size_t(to * 16000));
    return {samples.begin() + std::ptrdiff_t(begin), samples.begin() + std::ptrdiff_t(end)};
}

class TwoTrackCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::coreApplication();
        // The microphone: a source the server clocks, fed through a sink of its own.
        daemon = std::make_unique<test::PulseAudioDaemon>(std::vector<std::string>{
            "load-module module-null-sink sink_name=voice rate=48000 channels=2",
            "load-module module-remap-source source_name=mic master=voice.monitor",
            "set-default-source mic", "set-default-sink bw_null_sink"});
        feed = std::make_unique<CallFeed>("voice", "bw_null_sink", 1000);
        // Both sides play before the recording starts, as in a call.
        ASSERT_TRUE(test::waitUntil(
            [this] {
                std::istringstream lines(daemon->pactl("list short sink-inputs"));
                std::string line;
                int count = 0;
                while (std::getline(lines, line)) {
                    ++count;
                }
                return count >= 2;
            },
            10000));
        library = std::make_unique<LibraryModel>(LibraryStore(folder / "Library"), alerts);
        navigation = std::make_unique<LibraryNavigation>(*library, nullptr);
        recorder = std::make_unique<RecorderModel>(*library, *navigation, alerts, access, nullptr,
                                                   &AudioInputDevices::available,
                                                   &makeSystemMicrophoneSource);
        recorder->setMakeSystemSource(&makeSystemAudioSource);
        recorder->setRecordsSystemAudio(true);
        QObject::connect(recorder.get(), &RecorderModel::systemAudioUnavailable,
                         [this] { ++unavailable; });
    }

    void TearDown() override {
        recorder.reset();
        feed.reset();
    }

    LibraryItem record(double seconds, const std::function<void()>& midway = {}) {
        recorder->start(std::chrono::system_clock::now());
        started = monotonicSeconds();
        EXPECT_EQ(recorder->phase(), Phase::recording);
        const Uuid id = recorder->activeItemID().value();
        EXPECT_TRUE(test::waitUntil([&] { return recorder->duration() >= seconds / 2; }, 30000));
        if (midway) {
            midway();
        }
        EXPECT_TRUE(test::waitUntil([&] { return recorder->duration() >= seconds; }, 30000));
        recorder->stop();
        stopped = monotonicSeconds();
        return library->store().item(id);
    }

    // Whether a record stream of this process records from the source named `name`.
    bool recordsFrom(const std::string& name) {
        std::string index;
        std::istringstream sources(daemon->pactl("list short sources"));
        for (std::string line; std::getline(sources, line);) {
            std::istringstream fields(line);
            std::string number, sourceName;
            if (fields >> number >> sourceName && sourceName == name) {
                index = number;
            }
        }
        std::istringstream outputs(daemon->pactl("list short source-outputs"));
        for (std::string line; std::getline(outputs, line);) {
            std::istringstream fields(line);
            std::string number, source;
            if (fields >> number >> source && source == index) {
                return true;
            }
        }
        return false;
    }

    fs::path systemFile(const LibraryItem& item) {
        return library->store().itemFolderURL(item.id) / item.systemAudioFileName.value();
    }

    test::TemporaryFolder folder;
    std::unique_ptr<test::PulseAudioDaemon> daemon;
    std::unique_ptr<CallFeed> feed;
    AlertCentre alerts;
    SystemMicrophoneAccess access;
    std::unique_ptr<LibraryModel> library;
    std::unique_ptr<LibraryNavigation> navigation;
    std::unique_ptr<RecorderModel> recorder;
    int unavailable = 0;
    double started = 0, stopped = 0; // monotonic seconds
};

TEST_F(TwoTrackCaptureTest, RecordsEachSideOnItsOwnTrackAlignedByTheSharedClick) {
    const LibraryItem item = record(10);
    ASSERT_EQ(item.systemAudioFileName, std::optional<std::string>("system.caf"));
    ASSERT_TRUE(item.systemAudioAlignment);
    EXPECT_LT(std::abs(item.systemAudioAlignment->offset), 0.5);
    const auto microphone = test::decodedSamples(library->store().audioFileURL(item));
    const auto system = test::decodedSamples(systemFile(item));
    const double micSeconds = double(microphone.size()) / 16000;
    const double systemSeconds = double(system.size()) / 16000;
    EXPECT_NEAR(micSeconds, systemSeconds, 0.03) << "both tracks end together";
    EXPECT_NEAR(item.duration, std::max(micSeconds, systemSeconds), 1e-6);
    EXPECT_EQ(AudioFileInfo::of(systemFile(item)).sampleRate, 16000);

    // Each track holds its own side: the microphone's tone on one, the output's on the other.
    const auto micMiddle = slice(microphone, 1, micSeconds - 0.5);
    const auto systemMiddle = slice(system, 1, systemSeconds - 0.5);
    EXPECT_GT(toneShare(micMiddle, microphoneTone), 0.5);
    EXPECT_LT(toneShare(micMiddle, 1000), 0.05);
    EXPECT_GT(toneShare(systemMiddle, 1000), 0.5);
    EXPECT_LT(toneShare(systemMiddle, microphoneTone), 0.05);

    // The server's first buffers of a sink just recorded arrive late, in a burst; from the
    // second click on, the tracks must hold the clicks as far apart as the server played them.
    const auto [lag, paired] = clickLag(microphone, system, 2.5, micSeconds);
    const double heard = feed->heardLag(started + 2.5);
    std::printf("click lag of this computer's sound: %.1f ms (played %.1f ms later), drift %.1f "
                "ppm, offset %.1f ms\n",
                lag * 1000, heard * 1000, item.systemAudioAlignment->driftPpm,
                item.systemAudioAlignment->offset * 1000);
    EXPECT_NEAR(lag, heard, 0.020) << "clicks played at the same moment are in step";
    EXPECT_GE(paired, 0.99) << "every click of the microphone has its partner, in step";
    EXPECT_EQ(unavailable, 0);
    EXPECT_EQ(alerts.alert(), std::nullopt);
}

// The longest stretch (seconds) of the samples that stays below -40 dB.
double longestQuiet(const std::vector<float>& samples) {
    std::size_t longest = 0, run = 0;
    for (float sample : samples) {
        run = std::abs(sample) < 0.01f ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return double(longest) / 16000;
}

// The microphone's source suspended for two seconds, so that its stream delivers nothing: its
// track holds silence for them, both tracks still end together, and the clicks after the stall
// are as much in step as before it.
TEST_F(TwoTrackCaptureTest, AStalledMicrophoneLeavesSilenceAndBothTracksInStep) {
    // The stall lasts at least from the end of the first command to the start of the second,
    // at most from the start of the first to the end of the second.
    double shortest = 0, longest = 0;
    const LibraryItem item = record(10, [&] {
        using Clock = std::chrono::steady_clock;
        const auto seconds = [](Clock::duration d) {
            return std::chrono::duration<double>(d).count();
        };
        const auto beforeSuspend = Clock::now();
        daemon->pactl("suspend-source mic 1");
        const auto suspended = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const auto beforeResume = Clock::now();
        daemon->pactl("suspend-source mic 0");
        shortest = seconds(beforeResume - suspended);
        longest = seconds(Clock::now() - beforeSuspend);
    });
    ASSERT_TRUE(item.systemAudioFileName);
    const auto microphone = test::decodedSamples(library->store().audioFileURL(item));
    const auto system = test::decodedSamples(systemFile(item));
    const double micSeconds = double(microphone.size()) / 16000;
    const double systemSeconds = double(system.size()) / 16000;
    EXPECT_NEAR(micSeconds, systemSeconds, 0.03) << "both tracks end together";
    const auto quiet = longestQuiet(slice(microphone, 2.5, micSeconds));
    EXPECT_GT(quiet, shortest - 0.1) << "the stall is silence";
    EXPECT_LT(quiet, longest + 0.1) << "and no longer than it was";
    EXPECT_LT(longestQuiet(slice(system, 2.5, systemSeconds)), 0.1)
        << "this computer's sound went on";
    // The same stretch of both tracks, after the stall and clear of their ends.
    const double end = std::min(micSeconds, systemSeconds) - 0.2;
    const auto [lag, paired] = clickLag(microphone, system, end - 2.5, end);
    const double heard = feed->heardLag(stopped - 3);
    std::printf("after a stall of %.2f s: click lag of this computer's sound %.1f ms (played "
                "%.1f ms later)\n",
                quiet, lag * 1000, heard * 1000);
    EXPECT_NEAR(lag, heard, 0.020);
    EXPECT_GE(paired, 0.99) << "the clicks after the stall have their partners, in step";
}

TEST_F(TwoTrackCaptureTest, FollowsTheDefaultOutputWhenItChanges) {
    daemon->pactl("load-module module-null-sink sink_name=headphones");
    const LibraryItem item = record(8, [&] {
        daemon->pactl("set-default-sink headphones");
        feed->switchTo("headphones", 2000);
        EXPECT_TRUE(test::waitUntil([&] { return recordsFrom("headphones.monitor"); }, 10000))
            << "the second stream moved to the new output's monitor";
    });
    ASSERT_TRUE(item.systemAudioFileName);
    const auto system = test::decodedSamples(systemFile(item));
    const double seconds = double(system.size()) / 16000;
    EXPECT_GT(toneShare(slice(system, 0.5, 3.5), 1000), 0.5) << "the first output's sound";
    EXPECT_GT(toneShare(slice(system, seconds - 3, seconds - 0.3), 2000), 0.5)
        << "the new default output's sound";
    // The new output's player starts with a buffer of its own, so its clicks are played a
    // little later; every one of them must still be there, as far from the microphone's.
    const auto microphone = test::decodedSamples(library->store().audioFileURL(item));
    const auto [lag, paired] = clickLag(microphone, system, 5, seconds - 0.3);
    const double heard = feed->heardLag(started + 5);
    std::printf("after the switch: click lag %.1f ms (played %.1f ms later)\n", lag * 1000,
                heard * 1000);
    EXPECT_NEAR(lag, heard, 0.020);
    EXPECT_GE(paired, 0.99) << "the clicks go on on both tracks after the switch";
    EXPECT_EQ(unavailable, 0);
}

TEST_F(TwoTrackCaptureTest, WithoutAnOutputRecordsTheMicrophoneAloneAndSaysSoOnce) {
    // A microphone that needs no sink, then no sink at all (the server would otherwise make
    // the microphone's own sink the default output).
    daemon->pactl("load-module module-sine-source source_name=tone frequency=440");
    daemon->pactl("set-default-source tone");
    daemon->pactl("unload-module module-null-sink");
    const LibraryItem item = record(2);
    EXPECT_EQ(unavailable, 1);
    EXPECT_EQ(item.systemAudioFileName, std::nullopt);
    EXPECT_EQ(item.systemAudioAlignment, std::nullopt);
    EXPECT_FALSE(fs::exists(library->store().itemFolderURL(item.id) / "system.caf"));
    EXPECT_EQ(item.state, LibraryItem::State::complete);
    EXPECT_GE(item.duration, 2.0);
}

} // namespace
} // namespace bw
