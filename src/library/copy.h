// The user-facing texts that several parts of the application share: the messages of library
// failures (each ends with the support sentence and the failure's own description), the sheet's
// line for a group name, and the notes on when a transcription will be ready.
#pragma once

#include "library/group_editor.h"

#include <chrono>
#include <exception>
#include <optional>
#include <string>

namespace bw::Copy {

using TimePoint = std::chrono::system_clock::time_point;

// "Every recording is still here. Quit and reopen Brindlewick. " + support sentence + detail.
std::string groupsLoadFailed(const std::exception& error);

// For a library that had to move to the temporary folder at start-up.
std::string libraryUnavailable(const std::exception& error);

// For a recording whose audio was kept but whose details could not be saved.
std::string finishRecordingFailed(const std::exception& error);

// "Quit and reopen Brindlewick, then try again. " + support sentence + detail.
std::string deleteFailed(const std::exception& error);

// The empty-name and duplicate-name lines, or a "couldn't be saved" message for anything else.
using ::bw::groupNameProblem;

// "Ready at about " + the time in the short time style of the user's locale.
std::string estimatedFinish(TimePoint date);

// "Transcribing “TITLE”: 42%", or with a date "Transcribing “TITLE”: 42%, ready at about 14:05".
std::string menuBarTranscribing(const std::string& title, int percent,
                                std::optional<TimePoint> readyAt);

// "Resuming the transcription from 2:03…": a job carrying on from an interrupted one's work.
std::string resumingTranscription(double fromSeconds);

// The time of day of `date` (no date) in the short style of the user's locale and time zone.
std::string shortTime(TimePoint date);

} // namespace bw::Copy
