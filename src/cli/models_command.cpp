#include "cli/models_command.h"

#include "base/cancellation_error.h"
#include "cli/argument_parser.h"
#include "cli/exit_code.h"
#include "cli/progress_display.h"
#include "library/library_json.h"
#include "platform/app_settings.h"
#include "platform/curl_file_downloader.h"
#include "platform/json_user_defaults.h"
#include "platform/library_location.h"
#include "platform/signal_cancellation.h"
#include "whisper/bundled_models.h"
#include "whisper/compute_backends.h"
#include "whisper/model_catalog.h"
#include "whisper/model_installer.h"
#include "whisper/model_selection.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iostream>

namespace bw::cli {

namespace {

namespace fs = std::filesystem;

// The settings, the bundle and the user folder every subcommand works on.
struct Models {
    JsonUserDefaults defaults;
    ModelSelection selection{ResourceBundle::main(), defaults, userModelsDirectory()};
};

// After a change of the settings: says where a damaged settings file went.
void reportSetAsideSettings(const JsonUserDefaults& defaults) {
    if (auto file = defaults.setAsideFile()) {
        std::cerr << "The settings file was damaged, so a new one was started; the old one was "
                     "kept as "
                  << file->string() << ".\n";
    }
}

std::string sizeText(std::uint64_t bytes) {
    constexpr double mebibyte = 1024.0 * 1024.0;
    char text[32];
    if (bytes >= 1024 * mebibyte) {
        std::snprintf(text, sizeof text, "%.1f GiB", bytes / (1024 * mebibyte));
    } else {
        std::snprintf(text, sizeof text, "%.0f MiB", bytes / mebibyte);
    }
    return text;
}

// "%d:%02d", or "%d:%02d:%02d" from an hour on.
std::string clockText(double seconds) {
    auto whole = static_cast<long long>(std::isfinite(seconds) && seconds > 0 ? seconds : 0);
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    }
    return text;
}

// Parses "models SUBCOMMAND NAME"; prints the help and returns nothing when it was asked for.
// Throws UsageError for an unknown name.
std::optional<WhisperCppModel> modelArgument(const std::string& subcommand,
                                             const std::string& description,
                                             std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick models " + subcommand + " NAME", description);
    parser.positionals("NAME", "the model, e.g. large-v3-turbo-q5_0", 1, 1);
    auto parsed = parser.parse(arguments);
    if (parsed.helpRequested) {
        std::cout << parser.helpText();
        return std::nullopt;
    }
    const std::string& name = parsed.positionals.front();
    auto model = modelNamed(name);
    if (!model) {
        throw UsageError("unknown model \"" + name + "\"; \"brindlewick models\" lists them");
    }
    return model;
}

// One model as the list shows it.
struct ModelState {
    WhisperCppModel model = WhisperCppModel::base;
    std::optional<ModelSelection::InstalledFile> installed;
    std::uint64_t size = 0; // the file's, else the published size
    std::uintmax_t partialBytes = 0;
    std::optional<std::string> problem;
    bool inUse = false;
};

ModelState stateOf(const Models& models, WhisperCppModel model) {
    ModelState state;
    state.model = model;
    state.installed = models.selection.installedFile(model);
    state.size = publishedSize(model);
    std::error_code error;
    if (state.installed) {
        state.size = fs::file_size(state.installed->file, error);
        state.problem = modelFileProblem(state.installed->file, model);
    }
    state.partialBytes =
        fs::file_size(partialDownloadFile(models.selection.userDirectory(), model), error);
    if (error) {
        state.partialBytes = 0;
    }
    state.inUse = models.selection.modelInUse() == model;
    return state;
}

std::string statusText(const ModelState& state) {
    if (state.installed) {
        return state.installed->bundled ? "bundled" : "installed";
    }
    if (state.partialBytes > 0) {
        return "partial " + sizeText(state.partialBytes);
    }
    return "-";
}

// Lines about the choice that needs the user's attention.
std::vector<std::string> choiceProblems(const Models& models) {
    std::vector<std::string> problems;
    auto choice = models.selection.choice();
    if (!choice) {
        return problems;
    }
    auto model = modelNamed(*choice);
    if (!model) {
        problems.push_back("The settings choose an unknown model “" + *choice +
                           "”; choose one with “brindlewick models use NAME”.");
    } else if (!models.selection.installedFile(*model)) {
        problems.push_back("The chosen model " + modelName(*model) +
                           " isn't installed: install it with “brindlewick models install " +
                           modelName(*model) + "”.");
    } else if (auto problem =
                   modelFileProblem(models.selection.installedFile(*model)->file, *model)) {
        problems.push_back("The chosen model " + modelName(*model) + " is " + *problem +
                           "; reinstall it with “brindlewick models install " + modelName(*model) +
                           "”.");
    }
    return problems;
}

ArgumentParser listParser() {
    return ArgumentParser("brindlewick models [--json] | models install|use|remove NAME",
                          "Lists the Whisper models: size, where each is installed, which one "
                          "is in use (*) and what it is good for. Subcommands:\n"
                          "  install NAME  download a model from whisper.cpp's model repository "
                          "(BRINDLEWICK_MODEL_URL for a mirror) and check its checksum\n"
                          "  use NAME      transcribe with this model from now on\n"
                          "  remove NAME   delete an installed model")
        .flag("--json", "print the list as a JSON object");
}

int runList(std::span<const std::string> arguments) {
    auto parser = listParser();
    auto parsed = parser.parse(arguments);
    if (parsed.helpRequested) {
        std::cout << parser.helpText();
        return exitDone;
    }
    Models models;
    std::vector<ModelState> states;
    for (auto model : allWhisperCppModels()) {
        states.push_back(stateOf(models, model));
    }
    auto bundledFolder = BundledModels::directory(ResourceBundle::main());
    if (parsed.flag("--json")) {
        auto list = nlohmann::json::array();
        for (const auto& state : states) {
            list.push_back({
                {"name", modelName(state.model)},
                {"file", std::string(fileName(state.model))},
                {"size", state.size},
                {"installed", state.installed.has_value()},
                {"path", state.installed ? nlohmann::json(state.installed->file.string())
                                         : nlohmann::json()},
                {"bundled", state.installed && state.installed->bundled},
                {"inUse", state.inUse},
                {"checksumPublished", publishedSha1(state.model).has_value()},
                {"partialDownloadSize", state.partialBytes},
                {"problem", state.problem ? nlohmann::json(*state.problem) : nlohmann::json()},
                {"note", std::string(modelNote(state.model))},
            });
        }
        auto choice = models.selection.choice();
        nlohmann::json document = {
            {"models", list},
            {"modelsFolder", models.selection.userDirectory().string()},
            {"bundledModelsFolder", bundledFolder
                                        ? nlohmann::json(bundledFolder->parent_path().string())
                                        : nlohmann::json()},
            {"choice", choice ? nlohmann::json(*choice) : nlohmann::json()},
            {"problems", choiceProblems(models)},
        };
        std::cout << prettyJsonText(document);
        return exitDone;
    }
    std::cout << "Models folder: " << models.selection.userDirectory().string() << "\n";
    if (bundledFolder) {
        std::cout << "Bundled models: " << bundledFolder->parent_path().string() << "\n";
    }
    std::cout << "\n";
    char line[512];
    std::snprintf(line, sizeof line, "  %-29s %-9s %-16s %s\n", "NAME", "SIZE", "INSTALLED",
                  "GOOD FOR");
    std::cout << line;
    for (const auto& state : states) {
        std::snprintf(line, sizeof line, "%c %-29s %-9s %-16s %s\n", state.inUse ? '*' : ' ',
                      modelName(state.model).c_str(), sizeText(state.size).c_str(),
                      statusText(state).c_str(), std::string(modelNote(state.model)).c_str());
        std::cout << line;
    }
    for (const auto& state : states) {
        if (state.inUse && state.installed) {
            std::cout << "\nIn use: " << modelName(state.model) << " ("
                      << state.installed->file.string() << ")\n";
        }
    }
    for (const auto& problem : choiceProblems(models)) {
        std::cerr << problem << "\n";
    }
    for (const auto& state : states) {
        if (state.problem && !state.inUse) {
            std::cerr << "The model " << modelName(state.model) << " is " << *state.problem
                      << "; reinstall it with “brindlewick models install "
                      << modelName(state.model) << "”.\n";
        }
    }
    return exitDone;
}

// Draws the download: on a terminal as often as it is worth redrawing, elsewhere one line per
// tenth of the file.
class InstallDisplay {
public:
    InstallDisplay(ProgressDisplay& display, bool interactive, std::string name)
        : m_display(display), m_interactive(interactive), m_name(std::move(name)) {}

    void show(const ModelInstallProgress& progress) {
        using Phase = ModelInstallProgress::Phase;
        auto now = std::chrono::steady_clock::now();
        if (progress.phase == Phase::checking) {
            m_display.update("Checking the file already downloaded…", std::nullopt);
            return;
        }
        if (progress.phase == Phase::verifying) {
            m_display.update("Verifying " + m_name + "…", 1.0);
            return;
        }
        if (!m_started) {
            m_started = true;
            m_start = now;
            m_startBytes = progress.bytesReceivedThisRun;
        }
        std::optional<double> fraction;
        if (progress.totalBytes && *progress.totalBytes > 0) {
            fraction = double(progress.bytesDone) / double(*progress.totalBytes);
        }
        int tenth = fraction ? static_cast<int>(*fraction * 10) : -1;
        bool due = m_interactive ? now - m_lastDrawn >= std::chrono::milliseconds(200)
                                 : tenth != m_lastTenth;
        if (!due) {
            return;
        }
        m_lastDrawn = now;
        m_lastTenth = tenth;
        double seconds = std::chrono::duration<double>(now - m_start).count();
        double speed = seconds > 0.5 ? (progress.bytesReceivedThisRun - m_startBytes) / seconds : 0;
        char note[160];
        if (progress.totalBytes) {
            std::snprintf(note, sizeof note, "%.1f of %.1f MB", progress.bytesDone / 1e6,
                          *progress.totalBytes / 1e6);
        } else {
            std::snprintf(note, sizeof note, "%.1f MB", progress.bytesDone / 1e6);
        }
        std::string text = note;
        if (speed > 0) {
            std::snprintf(note, sizeof note, ", %.1f MB/s", speed / 1e6);
            text += note;
            if (progress.totalBytes) {
                text +=
                    ", " + clockText((*progress.totalBytes - progress.bytesDone) / speed) + " left";
            }
        }
        m_display.update("Downloading " + m_name, fraction, text);
    }

private:
    ProgressDisplay& m_display;
    const bool m_interactive;
    const std::string m_name;
    bool m_started = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDrawn;
    std::uint64_t m_startBytes = 0;
    int m_lastTenth = -2;
};

int runInstall(std::span<const std::string> arguments) {
    auto chosen =
        modelArgument("install",
                      "Downloads a Whisper model from whisper.cpp's model repository (or the "
                      "address in BRINDLEWICK_MODEL_URL) into the models folder and checks "
                      "it against the SHA-1 whisper.cpp publishes. An interrupted download "
                      "(Ctrl-C, a lost connection) resumes when the command runs again. "
                      "Only the request for the file is sent.",
                      arguments);
    if (!chosen) {
        return exitDone;
    }
    WhisperCppModel model = *chosen;

    // A file-size limit then fails the write (reported as a full disk) instead of killing
    // the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // Before any other thread starts, so that the signals reach only the watcher.
    SignalCancellation cancellation;
    Models models;
    CurlFileDownloader downloader;
    ModelInstaller installer(downloader, models.selection.userDirectory(),
                             modelRepositoryUrlInUse());
    ModelInstaller::Result result;
    {
        bool interactive = ProgressDisplay::standardErrorIsTerminal();
        ProgressDisplay display(std::cerr, interactive);
        InstallDisplay installDisplay(display, interactive, std::string(fileName(model)));
        try {
            result = installer.install(
                model,
                [&installDisplay](const ModelInstallProgress& progress) {
                    installDisplay.show(progress);
                },
                cancellation.token());
        } catch (const CancellationError&) {
            display.clear();
            std::cerr << "Stopped. Run the same command to resume the download.\n";
            throw;
        }
    }
    std::cout << (result.alreadyInstalled ? "Already installed: " : "Installed ")
              << modelName(model) << " (" << result.file.string() << ").\n";
    if (models.selection.modelInUse() != model) {
        std::cout << "Transcribe with it from now on: brindlewick models use " << modelName(model)
                  << "\n";
    }
    return exitDone;
}

int runUse(std::span<const std::string> arguments) {
    auto chosen =
        modelArgument("use",
                      "Transcribes with this model from now on (stored in the settings as "
                      "\"transcription.whisperModel\"). The model must be installed.",
                      arguments);
    if (!chosen) {
        return exitDone;
    }
    WhisperCppModel model = *chosen;
    Models models;
    auto installed = models.selection.installedFile(model);
    if (!installed) {
        std::cerr << "“" << modelName(model) << "” isn't installed. Install it with “brindlewick "
                  << "models install " << modelName(model) << "”.\n";
        return exitFailed;
    }
    models.selection.choose(model);
    reportSetAsideSettings(models.defaults);
    JsonUserDefaults saved(JsonUserDefaults::defaultFile());
    if (AppSettings(&saved).whisperModel() != modelName(model)) {
        std::cerr << "The choice couldn't be saved in " << JsonUserDefaults::defaultFile().string()
                  << ".\n";
        return exitFailed;
    }
    std::cout << "Using " << modelName(model) << " (" << installed->file.string() << ").\n";
    if (auto problem = modelFileProblem(installed->file, model)) {
        std::cerr << "The file is " << *problem << "; reinstall it with “brindlewick models "
                  << "install " << modelName(model) << "”.\n";
    }
    return exitDone;
}

int runRemove(std::span<const std::string> arguments) {
    auto chosen = modelArgument("remove",
                                "Deletes an installed model (and any partial download of it) from "
                                "the models folder. When it was in use, the bundled model is used "
                                "again.",
                                arguments);
    if (!chosen) {
        return exitDone;
    }
    WhisperCppModel model = *chosen;
    Models models;
    fs::path file = models.selection.userFile(model);
    fs::path partial = partialDownloadFile(models.selection.userDirectory(), model);
    std::error_code error;
    bool hasFile = fs::is_regular_file(file, error);
    bool hasPartial = fs::exists(partial, error);
    if (!hasFile && !hasPartial) {
        auto installed = models.selection.installedFile(model);
        std::cerr << "“" << modelName(model) << "” "
                  << (installed ? "is part of the installation and can't be removed"
                                : "isn't installed")
                  << ".\n";
        return exitFailed;
    }
    for (const auto& path : {file, partial}) {
        if (fs::exists(path, error) && !fs::remove(path, error)) {
            std::cerr << "“" << path.filename().string()
                      << "” couldn't be removed: " << error.message() << "\n";
            return exitFailed;
        }
    }
    std::cout << "Removed " << modelName(model) << ".\n";
    if (models.selection.choice() && modelNamed(*models.selection.choice()) == model &&
        !models.selection.installedFile(model)) {
        models.selection.clearChoice();
        reportSetAsideSettings(models.defaults);
        if (auto bundled = models.selection.bundledModel()) {
            std::cout << "The bundled model " << modelName(*bundled) << " is used again.\n";
        }
    }
    return exitDone;
}

int runGpu(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick models gpu [on|off]",
                          "Transcribes on the graphics processor when one is available (on, the "
                          "default) or always on the processor (off). Without an argument, says "
                          "which is in use.");
    parser.positionals("on|off", "the new choice", 0, 1);
    auto parsed = parser.parse(arguments);
    if (parsed.helpRequested) {
        std::cout << parser.helpText();
        return exitDone;
    }
    Models models;
    if (!parsed.positionals.empty()) {
        const std::string& choice = parsed.positionals.front();
        if (choice != "on" && choice != "off") {
            throw UsageError("takes on or off, not \"" + choice + "\"");
        }
        AppSettings(&models.defaults).setUsesGPU(choice == "on");
        reportSetAsideSettings(models.defaults);
    }
    const bool use = AppSettings(&models.defaults).usesGPU();
    std::cout << "Transcription runs on: " << ComputeBackends::deviceInUse(use) << "\n";
    if (!use) {
        if (const auto gpu = ComputeBackends::gpuDevice()) {
            std::cout << "The graphics processor " << *gpu
                      << " is turned off; \"brindlewick models gpu on\" uses it again.\n";
        }
    }
    return exitDone;
}

int runModels(std::span<const std::string> arguments) {
    const std::vector<Command> subcommands = {
        {"install", "download and verify a model", runInstall},
        {"use", "transcribe with a model from now on", runUse},
        {"remove", "delete an installed model", runRemove},
        {"gpu", "transcribe on the graphics processor, or not", runGpu},
    };
    if (!arguments.empty()) {
        for (const auto& subcommand : subcommands) {
            if (subcommand.name == arguments.front()) {
                try {
                    return subcommand.run(arguments.subspan(1));
                } catch (const UsageError& error) {
                    throw error.within(subcommand.name);
                }
            }
        }
    }
    return runList(arguments);
}

} // namespace

Command modelsCommand() {
    return {"models", "list, install and choose the Whisper models", runModels};
}

} // namespace bw::cli
