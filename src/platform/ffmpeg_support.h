// Small helpers shared by the FFmpeg-backed parts of this module. Internal: no FFmpeg types
// appear here, so callers need not include FFmpeg's headers.
#pragma once

#include <string>

namespace bw::ffmpeg {

// FFmpeg's description of an error code (av_strerror).
std::string errorMessage(int code);

// Silences FFmpeg's own logging once per process: library code does not print, and every
// failure reaches the caller as a typed error instead.
void initialize();

} // namespace bw::ffmpeg
