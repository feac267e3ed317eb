#include "platform/ffmpeg_support.h"

#include <mutex>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace bw::ffmpeg {

std::string errorMessage(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, text, sizeof text) < 0) {
        return "Error number " + std::to_string(code) + " occurred";
    }
    return text;
}

void initialize() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

} // namespace bw::ffmpeg
