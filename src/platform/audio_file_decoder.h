// Reads an audio file of any format FFmpeg can open (m4a, mp3, wav, caf, ...) and delivers its
// first audio stream as 32-bit float deinterleaved frames at the file's own sample rate and
// channel count, in blocks of whatever size the caller asks for. Memory stays bounded by the
// caller's block plus one decoded packet, whatever the length of the file.
// One caller at a time; not thread-safe.
#pragma once

#include "platform/pcm_buffer.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace bw {

class AudioFileDecoder {
public:
    // Opens the file and its decoder and finds its length. Throws AudioFileError (cannotOpen,
    // noAudioTrack, unsupportedFormat); the message of cannotOpen is FFmpeg's.
    explicit AudioFileDecoder(const std::filesystem::path& file);
    ~AudioFileDecoder();
    AudioFileDecoder(const AudioFileDecoder&) = delete;
    AudioFileDecoder& operator=(const AudioFileDecoder&) = delete;

    int sampleRate() const;
    int channelCount() const;

    // Frames in the file at sampleRate(): exact for uncompressed formats (wav, caf), the
    // container's figure for compressed ones, or counted by reading the file through once
    // where the container gives none.
    std::int64_t lengthInFrames() const;

    // Frames delivered so far.
    std::int64_t framePosition() const;

    // A short description of the delivered format, e.g. "2 ch, 44100 Hz, Float32,
    // deinterleaved (mp3)".
    std::string formatDescription() const;

    // Fills `buffer` (which must have channelCount() channels) from its start with up to
    // min(maxFrames, its capacity) frames and returns how many. Fewer only at the end of the
    // file; 0 once the file has nothing more. Damaged packets are skipped; throws
    // AudioFileError::readFailed (with FFmpeg's message) when reading fails, or when the
    // file ends having yielded no frame but damaged ones.
    std::size_t read(PcmBuffer& buffer, std::size_t maxFrames);

    // Moves so that the next read() starts at `frame` (clamped to 0...lengthInFrames(), and
    // to the last frame where a lossy file holds fewer than it states), exact to the frame,
    // as framePosition() then says: the container is asked for a point shortly before it and the
    // frames in between are decoded and dropped; where the container cannot seek or its timestamps
    // cannot be trusted, the file is decoded from its start instead. Throws as read() does.
    void seek(std::int64_t frame);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace bw
