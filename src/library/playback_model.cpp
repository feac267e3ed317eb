#include "library/playback_model.h"

#include "platform/app_settings.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>

namespace bw {

namespace {

double nearestRate(double wanted) {
    if (std::isnan(wanted)) {
        return 1;
    }
    double nearest = PlaybackModel::rates.front();
    for (double rate : PlaybackModel::rates) {
        if (std::abs(rate - wanted) < std::abs(nearest - wanted)) {
            nearest = rate;
        }
    }
    return nearest;
}

} // namespace

PlaybackModel::PlaybackModel(AudioPlayerFactory makePlayer, UserDefaults* defaults, QObject* parent)
    : QObject(parent), m_makePlayer(std::move(makePlayer)), m_defaults(defaults) {
    if (const auto stored = AppSettings(m_defaults).playbackRate()) {
        m_rate = nearestRate(*stored);
    }
}

PlaybackModel::~PlaybackModel() {
    stopTimer();
    if (m_player) {
        m_player->stop();
    }
}

void PlaybackModel::load(const std::filesystem::path& file,
                         const std::optional<std::filesystem::path>& mixedWith) {
    if (m_url == file && m_mixedWith == mixedWith) {
        return;
    }
    unload();
    m_mixedWith = mixedWith;
    setUrl(file);
    try {
        m_player = m_makePlayer(file, mixedWith);
    } catch (const std::exception&) {
        // The view says "This audio can't be played."; the reason is of no use to the user.
        setFailed(true);
        return;
    }
    m_player->prepareToPlay();
    if (m_rate != 1) {
        m_player->setRate(m_rate);
    }
    setDuration(m_player->duration());
}

void PlaybackModel::unload() {
    m_pausedAt.reset();
    stopTimer();
    if (m_player) {
        m_player->stop();
        m_player.reset();
    }
    m_mixedWith.reset();
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
        m_pausedAt = m_player->currentTime();
        return;
    }
    if (m_player->currentTime() >= m_player->duration()) {
        m_player->setCurrentTime(0);
        setCurrentTime(m_player->currentTime());
    } else if (m_pausedAt && *m_pausedAt == m_player->currentTime()) {
        m_player->setCurrentTime(std::max(0.0, *m_pausedAt - resumeRewind));
        setCurrentTime(m_player->currentTime());
    }
    m_pausedAt.reset();
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
    m_pausedAt.reset();
    setCurrentTime(m_player->currentTime());
}

void PlaybackModel::skip(double seconds) {
    if (m_player) {
        seek(m_player->currentTime() + seconds);
    }
}

void PlaybackModel::setRate(double rate) {
    const double chosen = nearestRate(rate);
    AppSettings(m_defaults).setPlaybackRate(chosen);
    if (chosen == m_rate) {
        return;
    }
    m_rate = chosen;
    if (m_player) {
        m_player->setRate(chosen);
    }
    emit rateChanged();
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
