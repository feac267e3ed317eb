#include "library/playback_model.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <exception>

namespace bw {

PlaybackModel::PlaybackModel(AudioPlayerFactory makePlayer, QObject* parent)
    : QObject(parent), m_makePlayer(std::move(makePlayer)) {}

PlaybackModel::~PlaybackModel() {
    stopTimer();
    if (m_player) {
        m_player->stop();
    }
}

void PlaybackModel::load(const std::filesystem::path& file) {
    if (m_url == file) {
        return;
    }
    unload();
    setUrl(file);
    try {
        m_player = m_makePlayer(file);
    } catch (const std::exception&) {
        // The view says "This audio can't be played."; the reason is of no use to the user.
        setFailed(true);
        return;
    }
    m_player->prepareToPlay();
    setDuration(m_player->duration());
}

void PlaybackModel::unload() {
    stopTimer();
    if (m_player) {
        m_player->stop();
        m_player.reset();
    }
    setUrl(std::nullopt);
    setPlaying(false);
    setCurrentTime(0);
    setDuration(0);
    setFailed(false);
}

void PlaybackModel::togglePlayback() {
    if (!m_player) {
        return;
    }
    if (m_player->isPlaying()) {
        m_player->pause();
        setPlaying(false);
        stopTimer();
        setCurrentTime(m_player->currentTime());
        return;
    }
    if (m_player->currentTime() >= m_player->duration()) {
        m_player->setCurrentTime(0);
        setCurrentTime(m_player->currentTime());
    }
    setPlaying(m_player->play());
    if (m_isPlaying) {
        startTimer();
    }
}

void PlaybackModel::seek(double seconds) {
    if (!m_player) {
        return;
    }
    const double target =
        std::isnan(seconds) ? 0.0 : std::clamp(seconds, 0.0, m_player->duration());
    m_player->setCurrentTime(target);
    setCurrentTime(m_player->currentTime());
}

void PlaybackModel::startTimer() {
    stopTimer();
    m_timer = std::make_unique<QTimer>();
    m_timer->setInterval(pollIntervalMs);
    connect(m_timer.get(), &QTimer::timeout, this, &PlaybackModel::tick);
    m_timer->start();
}

void PlaybackModel::stopTimer() {
    m_timer.reset();
}

void PlaybackModel::tick() {
    if (!m_player) {
        stopTimer();
        return;
    }
    setCurrentTime(m_player->currentTime());
    if (!m_player->isPlaying()) {
        // The end was reached (or the sound server stopped us): the position stays where
        // playback stopped, so the next play starts over from there or from 0 at the end.
        setPlaying(false);
        stopTimer();
    }
}

void PlaybackModel::setUrl(std::optional<std::filesystem::path> url) {
    m_url = std::move(url);
    emit urlChanged();
}

void PlaybackModel::setPlaying(bool playing) {
    if (playing != m_isPlaying) {
        m_isPlaying = playing;
        emit isPlayingChanged();
    }
}

void PlaybackModel::setCurrentTime(double seconds) {
    if (seconds != m_currentTime) {
        m_currentTime = seconds;
        emit currentTimeChanged();
    }
}

void PlaybackModel::setDuration(double seconds) {
    if (seconds != m_duration) {
        m_duration = seconds;
        emit durationChanged();
    }
}

void PlaybackModel::setFailed(bool failed) {
    if (failed != m_failed) {
        m_failed = failed;
        emit failedChanged();
    }
}

} // namespace bw
