// The open audio file of a recording, in the recording format (16 kHz mono 16-bit PCM in a
// Core Audio Format file), and the count of frames written. A file cut off at any moment stays
// readable up to the last frame written. Not thread-safe; the pipeline guards it.
#pragma once

#include "platform/caf_writer.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>

namespace bw {

class ContinuousAudioWriter {
public:
    // Thrown by write() once the file has been closed.
    class ClosedError : public std::logic_error {
    public:
        ClosedError() : std::logic_error("the recording's audio file is closed") {}
    };

    // Creates the file. Throws FileError.
    explicit ContinuousAudioWriter(const std::filesystem::path& url);

    // Appends 16 kHz mono frames; an empty block is ignored. Throws ClosedError, or FileError
    // (e.g. the disk is full; the frames written before are kept).
    void write(std::span<const std::int16_t> frames);
    // Closes the file, stating its length; errors are ignored (the file stays readable).
    void close();

    std::int64_t framesWritten() const { return m_framesWritten; }
    const std::filesystem::path& url() const { return m_url; }

private:
    std::filesystem::path m_url;
    std::optional<CafWriter> m_file;
    std::int64_t m_framesWritten = 0;
};

} // namespace bw
