#include "recording/recording_title.h"

#include <unicode/datefmt.h>
#include <unicode/unistr.h>

#include <memory>

namespace bw {

std::string recordingTitle(std::chrono::system_clock::time_point start) {
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(start.time_since_epoch()).count();
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium, icu::DateFormat::kShort));
    std::string moment;
    if (format) {
        icu::UnicodeString text;
        format->format(static_cast<UDate>(milliseconds), text);
        text.toUTF8String(moment);
    }
    return "Recording " + moment;
}

} // namespace bw
