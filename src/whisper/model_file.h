// The check the recognizer and the detector make before they accept a model file.
#pragma once

#include <filesystem>

namespace bw {

// Throws TranscriptionError::modelNotFound with the path unless it names a readable regular
// file (following symbolic links).
void requireReadableModelFile(const std::filesystem::path& file);

} // namespace bw
