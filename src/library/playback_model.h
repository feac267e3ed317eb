// Plays the audio of the recording shown in the detail pane and publishes the position for the
// player controls and the transcript editor. One model lives as long as the application and is
// pointed at whichever file is shown. While playing it polls the player every 0.1 seconds;
// nothing runs while paused.
//
// The speed (0.5 to 2 times, in quarters, pitch kept) applies to every file and is remembered in
// the user defaults. Resuming after a pause goes back a second first, so that the listener
// hears again the words the pause cut; a seek in between cancels that.
//
// Main thread only. Each field has a change signal: currentTime, duration, isPlaying, failed and
// rate signal only real changes, url every change. A file that cannot be opened sets failed;
// play and seek then do nothing until another file is loaded.
#pragma once

#include "platform/audio_player.h"
#include "platform/user_defaults.h"

#include <QObject>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>

class QTimer;

namespace bw {

class PlaybackModel : public QObject {
    Q_OBJECT

public:
    static constexpr int pollIntervalMs = 100;
    // The speeds offered, slowest first; 1 plays as recorded.
    static constexpr std::array<double, 7> rates{0.5, 0.75, 1, 1.25, 1.5, 1.75, 2};
    // How far resuming after a pause goes back, in seconds.
    static constexpr double resumeRewind = 1;

    // `defaults` (not owned, may be null) remembers the speed.
    explicit PlaybackModel(AudioPlayerFactory makePlayer, UserDefaults* defaults = nullptr,
                           QObject* parent = nullptr);
    ~PlaybackModel() override;

    const std::optional<std::filesystem::path>& url() const { return m_url; }
    bool isPlaying() const { return m_isPlaying; }
    double currentTime() const { return m_currentTime; }
    double duration() const { return m_duration; }
    bool failed() const { return m_failed; }
    double rate() const { return m_rate; }
    // Whether the position poll runs (exactly while playing).
    bool isPolling() const { return m_timer != nullptr; }

    // Points the model at `file`, mixed with `mixedWith` (this computer's sound of a two-track
    // recording) when given; the same files again keep the position and playing state.
    void load(const std::filesystem::path& file,
              const std::optional<std::filesystem::path>& mixedWith = std::nullopt);
    // Stops and forgets the current file.
    void unload();
    // Pauses, or plays (from the start when the position is at the end, a second before the
    // position when resuming after a pause).
    void togglePlayback();
    // Moves to `seconds`, clamped to 0...duration (not-a-number counts as 0); playing or
    // paused stays as it is.
    void seek(double seconds);
    // Seeks `seconds` forward (or back, when negative) from the position.
    void skip(double seconds);
    // Plays at the nearest of rates from now on, and remembers it.
    void setRate(double rate);

signals:
    void urlChanged();
    void isPlayingChanged();
    void currentTimeChanged();
    void durationChanged();
    void failedChanged();
    void rateChanged();

private:
    void startTimer();
    void stopTimer();
    void tick();
    void setUrl(std::optional<std::filesystem::path> url);
    void setPlaying(bool playing);
    void setCurrentTime(double seconds);
    void setDuration(double seconds);
    void setFailed(bool failed);

    AudioPlayerFactory m_makePlayer;
    UserDefaults* m_defaults;
    double m_rate = 1;
    std::optional<double> m_pausedAt; // where a pause left the player, until it moves
    std::optional<std::filesystem::path> m_url;
    std::optional<std::filesystem::path> m_mixedWith; // of m_url
    bool m_isPlaying = false;
    double m_currentTime = 0;
    double m_duration = 0;
    bool m_failed = false;
    std::unique_ptr<AudioPlayer> m_player;
    std::unique_ptr<QTimer> m_timer;
};

} // namespace bw
