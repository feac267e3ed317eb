// Plays the audio of the recording shown in the detail pane and publishes the position for the
// player controls and the transcript editor. One model lives as long as the application and is
// pointed at whichever file is shown. While playing it polls the player every 0.1 seconds;
// nothing runs while paused.
//
// Main thread only. Each field has a change signal: currentTime, duration, isPlaying and failed
// signal only real changes, url every change. A file that cannot be opened sets failed; play
// and seek then do nothing until another file is loaded.
#pragma once

#include "platform/audio_player.h"

#include <QObject>

#include <filesystem>
#include <memory>
#include <optional>

class QTimer;

namespace bw {

class PlaybackModel : public QObject {
    Q_OBJECT

public:
    static constexpr int pollIntervalMs = 100;

    explicit PlaybackModel(AudioPlayerFactory makePlayer, QObject* parent = nullptr);
    ~PlaybackModel() override;

    const std::optional<std::filesystem::path>& url() const { return m_url; }
    bool isPlaying() const { return m_isPlaying; }
    double currentTime() const { return m_currentTime; }
    double duration() const { return m_duration; }
    bool failed() const { return m_failed; }
    // Whether the position poll runs (exactly while playing).
    bool isPolling() const { return m_timer != nullptr; }

    // Points the model at `file`; the same file again keeps the position and playing state.
    void load(const std::filesystem::path& file);
    // Stops and forgets the current file.
    void unload();
    // Pauses, or plays (from the start when the position is at the end).
    void togglePlayback();
    // Moves to `seconds`, clamped to 0...duration (not-a-number counts as 0); playing or
    // paused stays as it is.
    void seek(double seconds);

signals:
    void urlChanged();
    void isPlayingChanged();
    void currentTimeChanged();
    void durationChanged();
    void failedChanged();

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
    std::optional<std::filesystem::path> m_url;
    bool m_isPlaying = false;
    double m_currentTime = 0;
    double m_duration = 0;
    bool m_failed = false;
    std::unique_ptr<AudioPlayer> m_player;
    std::unique_ptr<QTimer> m_timer;
};

} // namespace bw
