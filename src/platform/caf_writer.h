// Writes 16-bit little-endian integer PCM into a Core Audio Format file as it is captured. The
// header goes out when the file is created and its data chunk claims an unknown size (which the
// format allows for the last chunk), so a file cut off at any moment (a crash, power loss) is
// readable up to the last frame written; close() then states the real size. Every write goes
// straight to the file, nothing is held back in memory. Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace bw {

class CafWriter {
public:
    // Creates (or empties) the file, private to the user, and writes the header. Throws
    // FileError when it cannot be created or the header cannot be written.
    CafWriter(const std::filesystem::path& file, int sampleRate, int channelCount);
    // Closes the file if still open, ignoring errors.
    ~CafWriter();
    CafWriter(const CafWriter&) = delete;
    CafWriter& operator=(const CafWriter&) = delete;

    // Appends `frameCount` interleaved frames. Throws FileError (e.g. the disk is full); the
    // file then ends after the frames written before, none of this call's are kept.
    void write(const std::int16_t* samples, std::size_t frameCount);
    // States the data size in the header and closes the file. Throws FileError when that
    // fails; the file is closed either way and still readable. A second call does nothing.
    void close();

    bool isOpen() const { return m_descriptor >= 0; }
    std::int64_t framesWritten() const { return m_framesWritten; }
    const std::filesystem::path& path() const { return m_path; }

    // The header's length in bytes: where the audio data starts.
    static constexpr std::size_t headerSize = 68;

private:
    std::filesystem::path m_path;
    int m_descriptor = -1;
    int m_channelCount;
    std::int64_t m_framesWritten = 0;
};

} // namespace bw
