// The length in seconds of an audio file the library holds or imports (m4a, mp3, wav, caf).
// Throws when the file cannot be opened or reports no sample rate.
#pragma once

#include <filesystem>

namespace bw {

double audioDuration(const std::filesystem::path& file);

} // namespace bw
