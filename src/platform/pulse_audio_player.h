// The audio player of this platform: FFmpeg decodes the file (any format the decoder reads)
// and the frames are streamed into a PulseAudio playback stream at the file's own rate and
// channel count, through the tempo filter when the rate is not 1. The position is what the
// listener hears: the frames written to the stream minus the stream's latency, in the file's
// time. Seeking is exact to the frame.
//
// The sound server is reached only when the player is prepared or played, so a file opens
// without one; play() returns false when no server answers. Decoding runs on the sound
// client's thread under its lock; every public function is for one caller thread at a time.
#pragma once

#include "platform/audio_player.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace bw {

class PulseAudioPlayer : public AudioPlayer {
public:
    // Opens and measures the file; throws AudioFileError when it cannot be decoded or holds
    // no audio. `mixedWith`, a second track recorded in step with it, is played mixed in
    // (see MixedAudioDecoder).
    explicit PulseAudioPlayer(const std::filesystem::path& file,
                              const std::optional<std::filesystem::path>& mixedWith = {});
    ~PulseAudioPlayer() override;
    PulseAudioPlayer(const PulseAudioPlayer&) = delete;
    PulseAudioPlayer& operator=(const PulseAudioPlayer&) = delete;

    void prepareToPlay() override;
    bool play() override;
    void pause() override;
    void stop() override;
    double currentTime() const override;
    void setCurrentTime(double seconds) override;
    double duration() const override;
    bool isPlaying() const override;
    void setRate(double rate) override;

    // Makes PulseAudioPlayers, for the playback model.
    static AudioPlayerFactory factory();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace bw
