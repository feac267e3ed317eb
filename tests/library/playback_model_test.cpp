#include "library/playback_model.h"

#include "fakes/fake_audio_player.h"
#include "fakes/memory_user_defaults.h"
#include "support/core_application.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace bw {
namespace {

class PlaybackModelTest : public ::testing::Test {
protected:
    PlaybackModelTest() { test::coreApplication(); }

    FakeAudioPlayers players;
    PlaybackModel model{players.factory()};
};

TEST_F(PlaybackModelTest, LoadingOpensPreparesAndMeasuresOnce) {
    QSignalSpy urls(&model, &PlaybackModel::urlChanged);
    model.load("/a.caf");
    ASSERT_EQ(players.made.size(), 1u);
    EXPECT_EQ(players.last().prepared, 1);
    EXPECT_EQ(model.url(), std::filesystem::path("/a.caf"));
    EXPECT_EQ(model.duration(), 10);
    EXPECT_FALSE(model.failed());

    // The same file again keeps the player with its position and playing state.
    model.togglePlayback();
    model.seek(4);
    model.load("/a.caf");
    EXPECT_EQ(players.made.size(), 1u);
    EXPECT_TRUE(model.isPlaying());
    EXPECT_EQ(model.currentTime(), 4);

    // Another file passes through empty: the old player stops and the new one starts at 0.
    players.duration = 3;
    model.load("/b.caf");
    EXPECT_EQ(players.stops, 1);
    EXPECT_EQ(players.made.size(), 2u);
    EXPECT_FALSE(model.isPlaying());
    EXPECT_FALSE(model.isPolling());
    EXPECT_EQ(model.currentTime(), 0);
    EXPECT_EQ(model.duration(), 3);
    EXPECT_EQ(urls.count(), 4); // none, /a.caf, none, /b.caf: each load passes through empty
}

TEST_F(PlaybackModelTest, PollsOnlyWhilePlayingAndNoticesTheEnd) {
    model.load("/a.caf");
    QSignalSpy playing(&model, &PlaybackModel::isPlayingChanged);
    model.togglePlayback();
    EXPECT_TRUE(model.isPlaying());
    EXPECT_TRUE(model.isPolling());

    players.last().time = 2.5;
    ASSERT_TRUE(test::waitUntil([&] { return model.currentTime() == 2.5; }));

    model.togglePlayback(); // pause
    EXPECT_FALSE(model.isPlaying());
    EXPECT_FALSE(model.isPolling());
    players.last().time = 7; // nobody polls while paused
    test::waitUntil([] { return false; }, 3 * PlaybackModel::pollIntervalMs);
    EXPECT_EQ(model.currentTime(), 2.5);

    model.togglePlayback();
    players.last().reachEnd();
    ASSERT_TRUE(test::waitUntil([&] { return !model.isPlaying(); }));
    EXPECT_FALSE(model.isPolling());
    EXPECT_EQ(model.currentTime(), 10);
    EXPECT_EQ(playing.count(), 4);

    // Play at the end starts over.
    model.togglePlayback();
    EXPECT_TRUE(model.isPlaying());
    EXPECT_EQ(players.last().time, 0);
    EXPECT_EQ(model.currentTime(), 0);
}

TEST_F(PlaybackModelTest, APlayerThatDoesNotStartLeavesTheModelPaused) {
    model.load("/a.caf");
    players.last().startsPlaying = false;
    model.togglePlayback();
    EXPECT_FALSE(model.isPlaying());
    EXPECT_FALSE(model.isPolling());
}

TEST_F(PlaybackModelTest, SeekingClampsToTheFileAndKeepsPlayingOrPaused) {
    model.load("/a.caf");
    const struct {
        double request;
        double expected;
    } cases[] = {{-5, 0},   {std::numeric_limits<double>::quiet_NaN(), 0}, {2.5, 2.5}, {10, 10},
                 {100, 10}, {std::numeric_limits<double>::infinity(), 10}};
    for (bool playing : {false, true}) {
        if (playing) {
            model.togglePlayback();
        }
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.request << (playing ? " playing" : " paused"));
            model.seek(c.request);
            EXPECT_EQ(model.currentTime(), c.expected);
            EXPECT_EQ(players.last().time, c.expected);
            EXPECT_EQ(model.isPlaying(), playing);
        }
    }

    // Observers hear of a change only.
    QSignalSpy times(&model, &PlaybackModel::currentTimeChanged);
    model.seek(3);
    model.seek(3);
    EXPECT_EQ(times.count(), 1);
}

TEST_F(PlaybackModelTest, AnUnplayableFileFailsUntilAnotherIsLoaded) {
    players.unplayable = {"/broken.mp3"};
    QSignalSpy failures(&model, &PlaybackModel::failedChanged);
    model.load("/broken.mp3");
    EXPECT_TRUE(model.failed());
    EXPECT_EQ(model.url(), std::filesystem::path("/broken.mp3"));
    EXPECT_EQ(model.duration(), 0);
    model.togglePlayback();
    model.seek(3);
    EXPECT_FALSE(model.isPlaying());
    EXPECT_EQ(model.currentTime(), 0);

    // The same file is not tried again.
    model.load("/broken.mp3");
    EXPECT_TRUE(players.made.empty());
    EXPECT_TRUE(model.failed());

    model.load("/fine.caf");
    EXPECT_FALSE(model.failed());
    EXPECT_EQ(model.duration(), 10);
    EXPECT_EQ(failures.count(), 2);
}

TEST_F(PlaybackModelTest, UnloadingStopsAndForgetsEverything) {
    model.load("/a.caf");
    model.togglePlayback();
    model.seek(4);
    model.unload();
    EXPECT_EQ(players.stops, 1);
    EXPECT_EQ(model.url(), std::nullopt);
    EXPECT_FALSE(model.isPlaying());
    EXPECT_FALSE(model.isPolling());
    EXPECT_EQ(model.currentTime(), 0);
    EXPECT_EQ(model.duration(), 0);
    model.togglePlayback(); // nothing loaded: nothing happens
    EXPECT_FALSE(model.isPlaying());
}

TEST_F(PlaybackModelTest, ResumingAfterAPauseGoesBackASecondUnlessThePositionMoved) {
    model.load("/a.caf");
    struct Case {
        const char* name;
        double pausedAt;
        std::optional<double> seekTo; // while paused
        double resumesAt;
    } cases[] = {
        {"a pause", 4.5, std::nullopt, 3.5},
        {"a pause near the start", 0.4, std::nullopt, 0},
        {"a seek while paused", 4.5, 6.0, 6.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model.togglePlayback();
        players.last().time = c.pausedAt;
        model.togglePlayback();
        if (c.seekTo) {
            model.seek(*c.seekTo);
        }
        model.togglePlayback();
        EXPECT_TRUE(model.isPlaying());
        EXPECT_EQ(players.last().time, c.resumesAt);
        EXPECT_EQ(model.currentTime(), c.resumesAt);
        model.togglePlayback();
        model.seek(0);
    }
}

TEST_F(PlaybackModelTest, SkipsFromThePositionWithinTheFile) {
    model.load("/a.caf");
    model.seek(3);
    model.skip(5);
    EXPECT_EQ(model.currentTime(), 8);
    model.skip(5);
    EXPECT_EQ(model.currentTime(), 10);
    model.skip(-5);
    model.skip(-5);
    model.skip(-5);
    EXPECT_EQ(model.currentTime(), 0);
}

TEST(PlaybackModelRateTest, PlaysAtTheNearestSpeedOfferedAndRemembersIt) {
    test::coreApplication();
    FakeAudioPlayers players;
    MemoryUserDefaults defaults;
    {
        PlaybackModel model(players.factory(), &defaults);
        model.load("/a.caf");
        EXPECT_EQ(model.rate(), 1);
        QSignalSpy rates(&model, &PlaybackModel::rateChanged);
        const struct {
            double wanted;
            double chosen;
        } cases[] = {{1.3, 1.25}, {5, 2}, {0.1, 0.5}, {0.8, 0.75}};
        for (const auto& c : cases) {
            model.setRate(c.wanted);
            EXPECT_EQ(model.rate(), c.chosen) << c.wanted;
            EXPECT_EQ(players.last().rate, c.chosen) << c.wanted;
        }
        EXPECT_EQ(rates.count(), 4);
    }
    PlaybackModel again(players.factory(), &defaults);
    EXPECT_EQ(again.rate(), 0.75);
    again.load("/b.caf");
    EXPECT_EQ(players.last().rate, 0.75);
}

} // namespace
} // namespace bw
