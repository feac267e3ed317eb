#include "ui/menu_bar_status.h"

#include "base/duration_format.h"
#include "library/copy.h"
#include "library/library_model.h"
#include "library/library_navigation.h"
#include "service/transcription_service.h"

#include <algorithm>
#include <cmath>

namespace bw::ui::MenuBarStatus {

namespace {

std::optional<std::string> recorderLine(RecorderModel::Phase phase, double duration) {
    switch (phase) {
    case RecorderModel::Phase::recording:
        return "Recording " + Formatting::duration(duration);
    case RecorderModel::Phase::paused:
        return "Recording paused at " + Formatting::duration(duration);
    case RecorderModel::Phase::starting:
        return std::string("Starting the recording\u2026");
    case RecorderModel::Phase::idle:
        break;
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> lines(const RecorderModel& recorder,
                               const TranscriptionService& transcription,
                               const LibraryModel& library) {
    std::optional<std::string> title;
    if (const auto& job = transcription.job()) {
        if (const auto item = library.item(job->itemID)) {
            title = item->title;
        }
    }
    return lines(recorder.phase(), recorder.duration(), transcription.job(), title);
}

std::vector<std::string> lines(RecorderModel::Phase recorderPhase, double recordingDuration,
                               const std::optional<TranscriptionJob>& transcription,
                               const std::optional<std::string>& transcribedTitle) {
    std::vector<std::string> result;
    if (auto line = recorderLine(recorderPhase, recordingDuration)) {
        result.push_back(std::move(*line));
    }
    if (transcription) {
        result.push_back(transcriptionLine(*transcription, transcribedTitle.value_or("Untitled")));
    }
    if (result.empty()) {
        result.emplace_back("Not recording or transcribing");
    }
    return result;
}

std::string transcriptionLine(const TranscriptionJob& job, const std::string& title) {
    switch (job.phase) {
    case TranscriptionJob::Phase::loadingModel:
        if (job.resumedFrom) {
            return "Resuming the transcription of \u201c" + title + "\u201d\u2026";
        }
        return "Transcribing \u201c" + title + "\u201d: loading the speech model\u2026";
    case TranscriptionJob::Phase::transcribing:
        return Copy::menuBarTranscribing(title, job.wholePercent(), job.estimatedFinish);
    case TranscriptionJob::Phase::saving:
        break;
    }
    return "Saving the transcript of \u201c" + title + "\u201d\u2026";
}

std::string destinationLine(const LibraryModel& library, const LibraryNavigation& navigation) {
    if (const auto id = navigation.recordingDestination()) {
        if (const auto group = library.group(*id)) {
            return "Group: " + group->name;
        }
    }
    return "Group: None";
}

DestinationMenu destinationMenu(const LibraryModel& library, const LibraryNavigation& navigation) {
    const std::optional<Uuid> destination = navigation.recordingDestination();
    DestinationMenu menu;
    menu.title = destinationLine(library, navigation);
    menu.noGroup = {std::nullopt, "No Group", !destination};
    for (const auto& group : library.groups()) {
        menu.groups.push_back({group.id, group.name, destination == group.id});
    }
    return menu;
}

std::string appName(const nlohmann::json& info) {
    if (info.is_object()) {
        for (const char* key : {"CFBundleDisplayName", "CFBundleName"}) {
            const auto value = info.find(key);
            if (value != info.end() && value->is_string()) {
                return value->get<std::string>();
            }
        }
    }
    return "Brindlewick";
}

} // namespace bw::ui::MenuBarStatus
