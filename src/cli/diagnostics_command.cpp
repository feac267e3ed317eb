#include "cli/diagnostics_command.h"

#include "app/diagnostics_document.h"
#include "app/diagnostics_report.h"
#include "base/iso_date.h"
#include "cli/exit_code.h"
#include "cli/library_session.h"
#include "library/library_store.h"
#include "library/support_texts.h"
#include "platform/app_settings.h"
#include "platform/json_user_defaults.h"
#include "platform/library_location.h"
#include "platform/sound_server_access.h"
#include "whisper/bundled_models.h"
#include "whisper/model_selection.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace bw::cli {

namespace {

nlohmann::json toJson(const DiagnosticsReport& report) {
    nlohmann::json models = nlohmann::json::array();
    for (const auto& file : report.modelFiles) {
        models.push_back({{"name", file.name}, {"bytes", file.bytes}});
    }
    return {
        {"createdAt", iso8601String(report.createdAt)},
        {"appVersion", report.appVersion},
        {"buildNumber", report.buildNumber},
        {"releaseDate", report.releaseDate},
        {"systemVersion", report.macOSVersion},
        {"hardwareModel", report.hardwareModel},
        {"chip", report.chip},
        {"computeDevice", report.computeDevice},
        {"memoryBytes", report.memoryBytes},
        {"freeDiskBytes",
         report.freeDiskBytes ? nlohmann::json(*report.freeDiskBytes) : nlohmann::json(nullptr)},
        {"itemCount", report.itemCount},
        {"recordedCount", report.recordedCount},
        {"importedCount", report.importedCount},
        {"interruptedCount", report.interruptedCount},
        {"totalDuration", report.totalDuration},
        {"microphoneAccess", std::string(rawValue(report.microphoneAccess))},
        {"modelFiles", models},
    };
}

int runDiagnostics(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick diagnostics [--output PATH] [--json] [options]",
                          "Prints the diagnostics report: technical facts about Brindlewick, "
                          "this computer and the library, with no audio, no transcripts and no "
                          "recording titles. With --output it is saved for a support e-mail.");
    parser
        .option("--output", "PATH",
                "save the report to this file, or into this folder under its suggested name")
        .flag("--json", "print the report's facts as JSON");
    auto parsed = parseLibraryArguments(parser, arguments);
    if (parsed.helpRequested) {
        return exitDone;
    }
    const auto output = parsed.option("--output");
    if (output && parsed.flag("--json")) {
        throw UsageError("--output and --json cannot be used together");
    }

    // Only reads the library: a report never changes what it describes.
    std::filesystem::path root;
    try {
        root = libraryRoot(parsed, LibraryModel::Access::readOnly);
    } catch (const std::exception&) {
        root = temporaryLibraryRoot();
    }
    std::vector<LibraryItem> items;
    std::error_code missing;
    if (std::filesystem::is_directory(root, missing)) {
        items = LibraryStore(root).loadItems();
    }
    const ResourceBundle bundle = ResourceBundle::main();
    JsonUserDefaults defaults;
    const DiagnosticsReport report = DiagnosticsReport::collect(
        items, bundle, BundledModels::directory(bundle), root, soundServerAccess(),
        std::chrono::system_clock::now(), SystemInfo(), AppSettings(&defaults).usesGPU());

    if (parsed.flag("--json")) {
        std::cout << toJson(report).dump(2) << "\n";
        return exitDone;
    }
    if (!output) {
        std::cout << report.text();
        return exitDone;
    }
    std::filesystem::path target = *output;
    std::error_code ignored;
    if (std::filesystem::is_directory(target, ignored)) {
        target /= report.suggestedFileName();
    }
    try {
        DiagnosticsDocument{report.text()}.write(target);
    } catch (const std::exception& error) {
        std::cerr << "The diagnostics file couldn't be saved." << detail(error) << "\n";
        return exitFailed;
    }
    std::cout << target.string() << "\n";
    return exitDone;
}

} // namespace

Command diagnosticsCommand() {
    return Command{"diagnostics", "print or save the diagnostics report for support",
                   runDiagnostics};
}

} // namespace bw::cli
