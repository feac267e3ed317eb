#include "library/audio_duration.h"

#include "library/library_error.h"
#include "platform/audio_file_info.h"

namespace bw {

double audioDuration(const std::filesystem::path& file) {
    auto info = AudioFileInfo::of(file);
    if (info.sampleRate <= 0) {
        throw LibraryError(LibraryError::Kind::unreadableAudio);
    }
    return double(info.frameCount) / info.sampleRate;
}

} // namespace bw
