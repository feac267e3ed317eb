#include "whisper/whisper_cpp_logging.h"

#include <whisper.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace bw::WhisperCppLogging {

namespace {

// The library reports progress and model details at lower levels; the program keeps no log of
// its own, so only errors are shown. A missing Core ML model is expected on this platform.
void filter(enum ggml_log_level level, const char* text, void*) {
    if (level != GGML_LOG_LEVEL_ERROR || text == nullptr) {
        return;
    }
    if (std::strstr(text, "failed to load Core ML model") != nullptr) {
        return;
    }
    std::fputs(text, stderr);
}

} // namespace

void installOnce() {
    static std::once_flag once;
    std::call_once(once, [] { whisper_log_set(filter, nullptr); });
}

} // namespace bw::WhisperCppLogging
