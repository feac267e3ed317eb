#include "recording/continuous_audio_writer.h"

#include "platform/file_error.h"
#include "recording/audio_format_converter.h"

namespace bw {

ContinuousAudioWriter::ContinuousAudioWriter(const std::filesystem::path& url) : m_url(url) {
    m_file.emplace(url, AudioFormatConverter::outputSampleRate, 1);
}

void ContinuousAudioWriter::write(std::span<const std::int16_t> frames) {
    if (!m_file) {
        throw ClosedError();
    }
    if (frames.empty()) {
        return;
    }
    m_file->write(frames.data(), frames.size());
    m_framesWritten += static_cast<std::int64_t>(frames.size());
}

void ContinuousAudioWriter::close() {
    if (!m_file) {
        return;
    }
    try {
        m_file->close();
    } catch (const FileError&) {
        // The header still claims an unknown length, which every reader accepts.
    }
    m_file.reset();
}

} // namespace bw
