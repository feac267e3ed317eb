// The length of an audio file in seconds, for the types that add recordings to the library.
#pragma once

#include <filesystem>

namespace bw {

// Throws FileError when the file cannot be opened, LibraryError unreadableAudio when it states
// no sample rate.
double audioDuration(const std::filesystem::path& file);

} // namespace bw
