#include "library/copy.h"

#include "base/duration_format.h"
#include "library/support_texts.h"

#include <unicode/datefmt.h>
#include <unicode/unistr.h>

#include <memory>

namespace bw::Copy {

std::string groupsLoadFailed(const std::exception& error) {
    return "Every recording is still here. Quit and reopen Brindlewick. " + supportSentence() +
           detail(error);
}

std::string libraryUnavailable(const std::exception& error) {
    return "Until this is fixed, new recordings go to a temporary folder that the system may "
           "empty. Quit Brindlewick and open it again. " +
           supportSentence() + detail(error);
}

std::string finishRecordingFailed(const std::exception& error) {
    return "The audio is kept. Check that this computer has enough free disk space. " +
           supportSentence() + detail(error);
}

std::string deleteFailed(const std::exception& error) {
    return "Quit and reopen Brindlewick, then try again. " + supportSentence() + detail(error);
}

std::string shortTime(TimePoint date) {
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, icu::Locale::getDefault()));
    if (!format) {
        return {};
    }
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    icu::UnicodeString text;
    format->format(static_cast<UDate>(milliseconds), text);
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

std::string estimatedFinish(TimePoint date) {
    return "Ready at about " + shortTime(date);
}

std::string menuBarTranscribing(const std::string& title, int percent,
                                std::optional<TimePoint> readyAt) {
    std::string text = "Transcribing “" + title + "”: " + std::to_string(percent) + "%";
    if (readyAt) {
        text += ", ready at about " + shortTime(*readyAt);
    }
    return text;
}

std::string resumingTranscription(double fromSeconds) {
    return "Resuming the transcription from " + Formatting::duration(fromSeconds) + "…";
}

} // namespace bw::Copy
