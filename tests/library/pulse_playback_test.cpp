// The playback model over the real player, against a private sound server whose null sink
// plays in real time.
#include "library/playback_model.h"
#include "platform/audio_file_error.h"
#include "platform/pulse_audio_player.h"
#include "platform/sound_server_access.h"

#include "support/core_application.h"
#include "support/generated_audio.h"
#include "support/pulse_audio_daemon.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace bw {
namespace {

using test::waitUntil;

class PulsePlayback : public ::testing::Test {
protected:
    PulsePlayback() { test::coreApplication(); }

    std::filesystem::path toneFile(double seconds) {
        return audio.make("tone.wav", 16000, {test::tone(440)}, seconds, "-c:a pcm_s16le");
    }

    void pauseFor(int ms) {
        waitUntil([] { return false; }, ms);
    }

    test::PulseAudioDaemon daemon;
    test::GeneratedAudio audio;
    PlaybackModel model{PulseAudioPlayer::factory()};
};

// What the listener hears, not what has been queued: the position never runs ahead of the
// time since play began, and the end is noticed once it has been heard.
TEST_F(PulsePlayback, PlaysInRealTimeToTheEndAndThenStartsOver) {
    model.load(toneFile(0.8));
    ASSERT_FALSE(model.failed());
    EXPECT_DOUBLE_EQ(model.duration(), 0.8);

    QElapsedTimer clock;
    clock.start();
    double ahead = 0;
    QObject::connect(&model, &PlaybackModel::currentTimeChanged, [&] {
        ahead = std::max(ahead, model.currentTime() - clock.elapsed() / 1000.0);
    });
    model.togglePlayback();
    ASSERT_TRUE(model.isPlaying());
    EXPECT_LT(model.currentTime(), 0.05);
    ASSERT_TRUE(waitUntil([&] { return !model.isPlaying(); }, 20000));
    EXPECT_GE(clock.elapsed(), 700);
    EXPECT_LE(ahead, 0.05);
    EXPECT_DOUBLE_EQ(model.currentTime(), 0.8);
    EXPECT_FALSE(model.isPolling());

    model.togglePlayback();
    EXPECT_TRUE(model.isPlaying());
    EXPECT_LT(model.currentTime(), 0.05);
    model.togglePlayback();
    EXPECT_FALSE(model.isPlaying());
}

// Resuming goes back a second (PlaybackModel::resumeRewind) and plays on from there.
TEST_F(PulsePlayback, PausesWhereTheListenerIsAndResumesASecondBefore) {
    model.load(toneFile(5));
    model.togglePlayback();
    ASSERT_TRUE(waitUntil([&] { return model.currentTime() >= 1.3; }, 20000));
    model.togglePlayback();
    const double paused = model.currentTime();
    EXPECT_GE(paused, 1.3);
    pauseFor(400);
    EXPECT_EQ(model.currentTime(), paused);

    double lowest = std::numeric_limits<double>::infinity();
    QObject::connect(&model, &PlaybackModel::currentTimeChanged,
                     [&] { lowest = std::min(lowest, model.currentTime()); });
    model.togglePlayback();
    ASSERT_TRUE(waitUntil([&] { return model.currentTime() >= paused + 0.3; }, 20000));
    EXPECT_GE(lowest, paused - PlaybackModel::resumeRewind - 1e-6);
    EXPECT_LT(lowest, paused - PlaybackModel::resumeRewind + 0.1);
}

// Twice as fast, with the pitch kept by the tempo filter: ten seconds in about five (the
// position, which is what the listener hears, moves twice as fast as the clock; the sound
// server's start and the end's draining add a fixed time at any speed), and a change of speed
// while playing goes on from where the listener is.
TEST_F(PulsePlayback, TwiceAsFastPlaysTenSecondsInAboutFive) {
    model.setRate(2);
    model.load(toneFile(10));
    model.togglePlayback();
    ASSERT_TRUE(model.isPlaying());
    ASSERT_TRUE(waitUntil([&] { return model.currentTime() >= 1; }, 20000));
    QElapsedTimer clock;
    clock.start();
    const double from = model.currentTime();
    ASSERT_TRUE(waitUntil([&] { return model.currentTime() >= 9; }, 20000));
    const double heard = model.currentTime() - from;
    EXPECT_NEAR(heard / (clock.elapsed() / 1000.0), 2, 0.3);
    ASSERT_TRUE(waitUntil([&] { return !model.isPlaying(); }, 20000));
    EXPECT_DOUBLE_EQ(model.currentTime(), 10);

    model.setRate(1);
    model.seek(0);
    model.togglePlayback();
    ASSERT_TRUE(waitUntil([&] { return model.currentTime() >= 0.5; }, 20000));
    const double before = model.currentTime();
    model.setRate(0.5);
    EXPECT_NEAR(model.currentTime(), before, 0.25);
    EXPECT_TRUE(model.isPlaying());
}

TEST_F(PulsePlayback, SeeksToTheFrameWithinTheFilePlayingOrPaused) {
    model.load(toneFile(3));
    const struct {
        double request;
        double expected;
    } cases[] = {{-5, 0},
                 {std::numeric_limits<double>::quiet_NaN(), 0},
                 {1.25, 1.25},
                 {2.0000625, 2.0000625},
                 {100, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        model.seek(c.request);
        EXPECT_DOUBLE_EQ(model.currentTime(), c.expected);
        EXPECT_FALSE(model.isPlaying());
    }

    model.seek(1);
    model.togglePlayback();
    model.seek(2);
    EXPECT_TRUE(model.isPlaying());
    EXPECT_GE(model.currentTime(), 2);
    EXPECT_LT(model.currentTime(), 2.05);
    ASSERT_TRUE(waitUntil([&] { return model.currentTime() >= 2.2; }, 20000));
}

TEST_F(PulsePlayback, AnUndecodableFileFails) {
    model.load(audio.write("noise.mp3", std::string(4000, '\x5a')));
    EXPECT_TRUE(model.failed());
    EXPECT_EQ(model.duration(), 0);
    model.togglePlayback();
    EXPECT_FALSE(model.isPlaying());

    model.load(toneFile(1));
    EXPECT_FALSE(model.failed());
    EXPECT_DOUBLE_EQ(model.duration(), 1);
}

// A sound server that goes away stops playback where the listener was; nothing hangs.
TEST_F(PulsePlayback, AServerThatGoesAwayStopsPlayback) {
    model.load(toneFile(5));
    model.togglePlayback();
    ASSERT_TRUE(waitUntil([&] { return model.currentTime() >= 0.2; }, 20000));
    daemon.kill();
    ASSERT_TRUE(waitUntil([&] { return !model.isPlaying(); }, 20000));
    EXPECT_GE(model.currentTime(), 0.2);
    EXPECT_LT(model.currentTime(), 5);
    model.togglePlayback(); // no server: play does not start
    EXPECT_FALSE(model.isPlaying());
}

TEST(PulseAudioPlayer, OpensWithoutAServerButDoesNotPlay) {
    test::GeneratedAudio audio;
    setenv("PULSE_SERVER", "unix:/nonexistent/bw-no-server", 1);
    PulseAudioPlayer player(audio.make("tone.caf", 16000, {test::tone(440)}, 1, "-c:a pcm_s16le"));
    unsetenv("PULSE_SERVER");
    EXPECT_DOUBLE_EQ(player.duration(), 1);
    EXPECT_FALSE(player.play());
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.currentTime(), 0);
    EXPECT_THROW(PulseAudioPlayer(audio.write("empty.wav", "")), AudioFileError);
}

TEST(SoundServerAccess, IsGrantedByARunningServerAndUndeterminedWithoutOne) {
    {
        test::PulseAudioDaemon daemon;
        EXPECT_EQ(soundServerAccess(), MicrophoneAccessStatus::granted);
    }
    setenv("PULSE_SERVER", "unix:/nonexistent/bw-no-server", 1);
    EXPECT_EQ(soundServerAccess(), MicrophoneAccessStatus::undetermined);
    unsetenv("PULSE_SERVER");
}

} // namespace
} // namespace bw
