// What the tray menu says about the application: the status lines (recording, transcription),
// the line and choices of the group new recordings go into, and the name the menu uses. Plain
// values derived from the models on every rebuild; no widgets, so each text can be checked alone.
#pragma once

#include "base/uuid.h"
#include "recording/recorder_model.h"
#include "service/transcription_job.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace bw {
class LibraryModel;
class LibraryNavigation;
class TranscriptionService;
} // namespace bw

namespace bw::ui::MenuBarStatus {

struct DestinationMenu {
    struct Choice {
        std::optional<Uuid> groupID; // none: the no-group choice
        std::string title;
        bool isChecked = false;

        friend bool operator==(const Choice&, const Choice&) = default;
    };

    std::string title;
    Choice noGroup;
    std::vector<Choice> groups;

    friend bool operator==(const DestinationMenu&, const DestinationMenu&) = default;
};

// The recorder's line, then the transcription's, or "Not recording or transcribing".
std::vector<std::string> lines(const RecorderModel& recorder,
                               const TranscriptionService& transcription,
                               const LibraryModel& library);
// The same from plain values; a job without a title is called "Untitled".
std::vector<std::string> lines(RecorderModel::Phase recorderPhase, double recordingDuration,
                               const std::optional<TranscriptionJob>& transcription,
                               const std::optional<std::string>& transcribedTitle);
std::string transcriptionLine(const TranscriptionJob& job, const std::string& title);

// "Group: " + the recording destination's name, or "Group: None".
std::string destinationLine(const LibraryModel& library, const LibraryNavigation& navigation);
DestinationMenu destinationMenu(const LibraryModel& library, const LibraryNavigation& navigation);

// "CFBundleDisplayName", else "CFBundleName", else "Brindlewick".
std::string appName(const nlohmann::json& info);

} // namespace bw::ui::MenuBarStatus
