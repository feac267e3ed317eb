#include "app/diagnostics_report.h"

#include "base/duration_format.h"
#include "base/iso_date.h"
#include "whisper/compute_backends.h"

#include <charconv>

namespace bw {

namespace {

std::string infoString(const nlohmann::json& info, const char* key) {
    const auto found = info.find(key);
    return found != info.end() && found->is_string() ? found->get<std::string>() : "unknown";
}

// Always with a point: the report is read by support, whatever the user's locale (the window
// sets the process's locale, and printf's "%f" would follow it).
std::string decimal(double value, const char* unit) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return std::string(text, end.ptr) + " " + unit;
}

} // namespace

DiagnosticsReport DiagnosticsReport::collect(
    const std::vector<LibraryItem>& items, const ResourceBundle& bundle,
    const std::optional<std::filesystem::path>& modelsDirectory,
    const std::filesystem::path& libraryURL, MicrophoneAccessStatus microphoneAccess,
    std::chrono::system_clock::time_point now, const SystemInfo& system, bool useGPU) {
    DiagnosticsReport report;
    const nlohmann::json info = bundle.info();
    report.appVersion = infoString(info, "CFBundleShortVersionString");
    report.buildNumber = infoString(info, "CFBundleVersion");
    report.releaseDate = infoString(info, "BWReleaseDate");
    report.macOSVersion = system.operatingSystemVersion();
    report.hardwareModel = system.sysctlString("hw.model").value_or("unknown");
    report.chip = system.sysctlString("machdep.cpu.brand_string").value_or("unknown");
    report.computeDevice = ComputeBackends::deviceInUse(useGPU);
    report.memoryBytes = SystemInfo::physicalMemory();
    report.freeDiskBytes = SystemInfo::freeDiskBytes(libraryURL);
    for (const auto& item : items) {
        ++report.itemCount;
        if (item.origin == LibraryItem::Origin::imported) {
            ++report.importedCount;
        } else {
            ++report.recordedCount;
        }
        if (item.state == LibraryItem::State::interrupted) {
            ++report.interruptedCount;
        }
        report.totalDuration += item.duration;
    }
    if (modelsDirectory) {
        report.modelFiles = SystemInfo::modelFiles(*modelsDirectory);
    }
    report.createdAt = std::chrono::floor<std::chrono::seconds>(now);
    report.microphoneAccess = microphoneAccess;
    return report;
}

std::string DiagnosticsReport::text() const {
    std::vector<std::string> lines = {
        "Brindlewick diagnostics",
        "Created: " + iso8601String(createdAt),
        "",
        "App",
        "  Version: " + appVersion + " (" + buildNumber + ")",
        "  Release date: " + releaseDate,
        "",
        "This computer",
        "  System: " + macOSVersion,
        "  Model: " + hardwareModel,
        "  Chip: " + chip,
        "  Transcription runs on: " + computeDevice,
        "  Memory: " + decimal(static_cast<double>(memoryBytes) / 1e9, "GB"),
        "  Free disk: " +
            (freeDiskBytes ? decimal(static_cast<double>(*freeDiskBytes) / 1e9, "GB") : "unknown"),
        "  Microphone access: " + std::string(rawValue(microphoneAccess)),
        "",
        "Library",
        "  Items: " + std::to_string(itemCount) + " (" + std::to_string(recordedCount) +
            " recorded, " + std::to_string(importedCount) + " imported)",
        "  Interrupted recordings: " + std::to_string(interruptedCount),
        "  Total duration: " + Formatting::duration(totalDuration),
        "",
        "Models bundled in the app",
    };
    for (const auto& file : modelFiles) {
        lines.push_back("  " + file.name + ": " +
                        decimal(static_cast<double>(file.bytes) / 1e6, "MB"));
    }
    if (modelFiles.empty()) {
        lines.push_back("  none");
    }
    lines.push_back("");
    lines.push_back("This file contains no audio, no transcripts and no recording titles.");

    std::string text;
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::string DiagnosticsReport::suggestedFileName() const {
    return "Brindlewick-diagnostics-" + iso8601String(createdAt).substr(0, 10) + ".txt";
}

} // namespace bw
