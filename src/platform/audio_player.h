// What the playback model needs from an audio player for one file: prepare, play (saying
// whether it started), pause, stop, a readable and settable position, the duration, whether it
// is playing and the speed it plays at. Times are seconds. The real player is PulseAudioPlayer;
// tests use a fake. One caller at a time (the main thread); a player may advance on its own while
// playing.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace bw {

class AudioPlayer {
public:
    virtual ~AudioPlayer() = default;

    // Gets ready to start quickly (buffers the first audio). Never fails: a problem shows when
    // play() returns false.
    virtual void prepareToPlay() = 0;

    // Starts or resumes from currentTime(); true when playback started.
    virtual bool play() = 0;

    // Halts playback where the listener is; play() resumes there.
    virtual void pause() = 0;

    // Halts playback and releases what playing holds (the sound server's stream); the position
    // is kept.
    virtual void stop() = 0;

    // The position the listener hears, 0...duration(). It equals duration() once the end has
    // been played.
    virtual double currentTime() const = 0;

    // Moves to `seconds`, clamped to 0...duration() (not-a-number counts as 0). Playback goes on
    // from there when playing.
    virtual void setCurrentTime(double seconds) = 0;

    virtual double duration() const = 0;

    // True from a successful play() until pause(), stop(), a failure of the sound server or the
    // end of the file has been heard.
    virtual bool isPlaying() const = 0;

    // Plays `rate` times as fast from now on (0.5...2, pitch kept; 1 as recorded), going on
    // from where the listener is.
    virtual void setRate(double rate) = 0;
};

// Opens a file for playing, mixed with a second track recorded in step with it when one is
// given; throws AudioFileError when the file cannot be played.
using AudioPlayerFactory = std::function<std::unique_ptr<AudioPlayer>(
    const std::filesystem::path& file, const std::optional<std::filesystem::path>& mixedWith)>;

} // namespace bw
