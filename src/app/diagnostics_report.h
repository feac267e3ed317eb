// A short plain-text report of technical facts about the application, this computer and the
// library, for attaching to a support e-mail. It holds no audio, no transcripts, no recording
// titles and nothing that names the user or the computer.
#pragma once

#include "app/system_info.h"
#include "library/library_item.h"
#include "platform/microphone_access_status.h"
#include "platform/resource_bundle.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace bw {

struct DiagnosticsReport {
    using ModelFile = SystemInfo::ModelFile;

    std::chrono::sys_seconds createdAt{};
    std::string appVersion;
    std::string buildNumber;
    std::string releaseDate;
    std::string macOSVersion; // the operating system's human-readable version
    std::string hardwareModel;
    std::string chip;
    std::string computeDevice; // what transcription runs on: a GPU, or the CPU and its level
    std::uint64_t memoryBytes = 0;
    std::optional<std::int64_t> freeDiskBytes;
    int itemCount = 0;
    int recordedCount = 0;
    int importedCount = 0;
    int interruptedCount = 0;
    double totalDuration = 0;
    MicrophoneAccessStatus microphoneAccess = MicrophoneAccessStatus::undetermined;
    std::vector<ModelFile> modelFiles;

    bool operator==(const DiagnosticsReport&) const = default;

    // Gathers the report; never fails: a missing fact becomes "unknown", absent or empty.
    // `now` is cut to the second. `system` reads this computer unless a test says otherwise.
    static DiagnosticsReport collect(const std::vector<LibraryItem>& items,
                                     const ResourceBundle& bundle,
                                     const std::optional<std::filesystem::path>& modelsDirectory,
                                     const std::filesystem::path& libraryURL,
                                     MicrophoneAccessStatus microphoneAccess,
                                     std::chrono::system_clock::time_point now,
                                     const SystemInfo& system = SystemInfo(), bool useGPU = true);

    // The file's content: lines joined by line feeds, ending with one.
    std::string text() const;

    // "Brindlewick-diagnostics-YYYY-MM-DD.txt" with the UTC date of createdAt.
    std::string suggestedFileName() const;
};

} // namespace bw
