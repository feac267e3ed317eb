// whisper.cpp's log output for the whole process: only error messages reach standard error.
#pragma once

namespace bw::WhisperCppLogging {

// Installs the log filter the first time it is called in the process; later calls do nothing.
// Thread-safe. The recognizer and the voice activity detector call it before using the library.
void installOnce();

} // namespace bw::WhisperCppLogging
