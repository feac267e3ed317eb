#include "whisper/model_file.h"

#include "transcription/transcription_error.h"

#include <unistd.h>

namespace bw {

void requireReadableModelFile(const std::filesystem::path& file) {
    std::error_code error;
    if (file.empty() || !std::filesystem::is_regular_file(file, error) ||
        ::access(file.c_str(), R_OK) != 0) {
        throw TranscriptionError::modelNotFound(file.string());
    }
}

} // namespace bw
