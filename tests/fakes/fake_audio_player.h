// A player that plays nothing: tests move its position and end it by hand, and its factory
// remembers every player it made and refuses the files it is told to.
#pragma once

#include "platform/audio_file_error.h"
#include "platform/audio_player.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>

namespace bw {

class FakeAudioPlayer : public AudioPlayer {
public:
    // `stops` counts the calls of stop() of this and its siblings, so it outlives the player.
    FakeAudioPlayer(double duration, int* stops) : m_duration(duration), m_stops(stops) {}

    void prepareToPlay() override { ++prepared; }
    bool play() override {
        m_playing = startsPlaying;
        return m_playing;
    }
    void pause() override { m_playing = false; }
    void stop() override {
        m_playing = false;
        ++*m_stops;
    }
    double currentTime() const override { return time; }
    void setCurrentTime(double seconds) override {
        time = std::isnan(seconds) ? 0 : std::clamp(seconds, 0.0, m_duration);
    }
    double duration() const override { return m_duration; }
    bool isPlaying() const override { return m_playing; }
    void setRate(double value) override { rate = value; }

    // Plays on to the end, as a real player does when the file runs out.
    void reachEnd() {
        time = m_duration;
        m_playing = false;
    }

    double time = 0;
    double rate = 1;
    bool startsPlaying = true;
    int prepared = 0;

private:
    double m_duration;
    int* m_stops;
    bool m_playing = false;
};

struct FakeAudioPlayers {
    double duration = 10;
    std::set<std::filesystem::path> unplayable;
    std::vector<FakeAudioPlayer*> made; // owned by whoever the factory gave them to
    // Every file the factory was asked for, with the track mixed into it.
    std::vector<std::pair<std::filesystem::path, std::optional<std::filesystem::path>>> opened;
    int stops = 0;

    AudioPlayerFactory factory() {
        return [this](const std::filesystem::path& file,
                      const std::optional<std::filesystem::path>& mixedWith)
                   -> std::unique_ptr<AudioPlayer> {
            opened.emplace_back(file, mixedWith);
            if (unplayable.count(file)) {
                throw AudioFileError(AudioFileError::Kind::cannotOpen, "Invalid data");
            }
            auto player = std::make_unique<FakeAudioPlayer>(duration, &stops);
            made.push_back(player.get());
            return player;
        };
    }
    FakeAudioPlayer& last() { return *made.back(); }
};

} // namespace bw
