#include "cli/transcribe_command.h"

#include "base/cancellation_error.h"
#include "cli/argument_parser.h"
#include "cli/exit_code.h"
#include "cli/progress_display.h"
#include "cli/transcript_output.h"
#include "cli/transcription_texts.h"
#include "platform/app_settings.h"
#include "platform/atomic_file.h"
#include "platform/audio_file_info.h"
#include "platform/file_error.h"
#include "platform/json_user_defaults.h"
#include "platform/library_location.h"
#include "platform/signal_cancellation.h"
#include "transcription/two_track_transcriber.h"
#include "whisper/bundled_models.h"
#include "whisper/compute_backends.h"
#include "whisper/model_catalog.h"
#include "whisper/model_selection.h"
#include "whisper/whisper_cpp_engine.h"

#include <cerrno>
#include <ctime>
#include <iostream>
#include <unistd.h>

namespace bw::cli {

namespace {

struct Settings {
    std::filesystem::path audioFile;
    // This computer's sound, recorded beside the microphone's `audioFile`: both are transcribed,
    // labelled "Others" and "Me".
    std::optional<std::filesystem::path> systemAudioFile;
    bool cancelEcho = true;
    TranscriptionLanguage language = TranscriptionLanguage::english;
    std::optional<std::filesystem::path> model;
    std::optional<std::filesystem::path> vadModel;
    bool voiceActivityDetection = true;
    bool verbose = false;
    int threadCount = WhisperCppEngine::defaultThreadCount();
    // What to write: one form to standard output or a file, or several --format/--output pairs
    // from one transcription.
    struct Output {
        const TranscriptFormat* format = nullptr;
        std::optional<std::filesystem::path> file;
    };
    std::vector<Output> outputs;
};

std::string formatNames() {
    std::string names;
    for (const auto& format : transcriptFormats()) {
        names += (names.empty() ? "" : "|") + std::string(format.name);
    }
    return names;
}

ArgumentParser parser() {
    return ArgumentParser("brindlewick transcribe FILE --language sk|cs|de|en [options]",
                          "Transcribes an audio file (m4a, mp3, wav, caf, ...) on this computer.")
        .positionals("FILE", "the audio file", 1, 1)
        .option("--language", "CODE", "the spoken language: sk, cs, de or en (required)")
        .option("--model", "PATH", "a whisper.cpp model file instead of the bundled model")
        .option("--vad-model", "PATH",
                "the Silero model file (default: ggml-silero-v6.2.0.bin beside --model)")
        .option("--system-audio", "PATH",
                "this computer's sound, recorded in step with FILE (the microphone): both are "
                "transcribed, their segments labelled \"Others\" and \"Me\"")
        .flag("--no-echo-canceller",
              "with --system-audio: find the microphone's echoes of this computer's sound by "
              "their words alone, without cancelling them in the audio first")
        .flag("--no-vad", "transcribe everything, without skipping silence")
        .flag("--verbose", "also say what the speech model runs on (the GPU, or the CPU and "
                           "the processor level its code was built for)")
        .option("--threads", "N",
                "decoding threads (default: the physical processor cores, at most 4)")
        .option("--format", formatNames(), "what to write (default text)")
        .option("--output", "PATH",
                "write to this file instead of standard output; repeat --format and --output "
                "in pairs to write several forms of one transcription");
}

Settings settingsFrom(const ParsedArguments& arguments) {
    Settings settings;
    settings.audioFile = arguments.positionals.front();
    if (auto system = arguments.option("--system-audio")) {
        settings.systemAudioFile = *system;
    }
    settings.cancelEcho = !arguments.flag("--no-echo-canceller");
    if (!settings.cancelEcho && !settings.systemAudioFile) {
        throw UsageError("--no-echo-canceller needs --system-audio");
    }
    settings.language = requiredLanguage(arguments);
    if (auto model = arguments.option("--model")) {
        settings.model = *model;
    }
    if (auto vadModel = arguments.option("--vad-model")) {
        if (!settings.model) {
            throw UsageError("--vad-model needs --model");
        }
        settings.vadModel = *vadModel;
    }
    settings.voiceActivityDetection = !arguments.flag("--no-vad");
    settings.verbose = arguments.flag("--verbose");
    if (auto threads = arguments.option("--threads")) {
        settings.threadCount = parseIntegerOption("--threads", *threads, 1, 256);
    }
    auto formatValues = arguments.options.count("--format") ? arguments.options.at("--format")
                                                            : std::vector<std::string>{};
    auto outputValues = arguments.options.count("--output") ? arguments.options.at("--output")
                                                            : std::vector<std::string>{};
    // Repeated pairs are written side by side; otherwise the last value of each counts.
    bool pairs = formatValues.size() > 1 && formatValues.size() == outputValues.size();
    if (!pairs) {
        formatValues = {arguments.option("--format").value_or("text")};
        outputValues = outputValues.empty() ? std::vector<std::string>{}
                                            : std::vector<std::string>{outputValues.back()};
    }
    for (std::size_t i = 0; i < formatValues.size(); ++i) {
        const std::string& format = formatValues[i];
        Settings::Output output{findTranscriptFormat(format), std::nullopt};
        if (output.format == nullptr) {
            throw UsageError("--format takes " + formatNames() + ", not \"" + format + "\"");
        }
        if (i < outputValues.size()) {
            output.file = outputValues[i];
        }
        if (output.format->fileOnly && !output.file) {
            throw UsageError("--format " + format + " needs --output");
        }
        settings.outputs.push_back(std::move(output));
    }
    return settings;
}

std::unique_ptr<TranscriptionEngine> makeEngine(const Settings& settings, UserDefaults& defaults) {
    if (!settings.model) {
        return BundledModels::makeEngine(ResourceBundle::main(), defaults, settings.threadCount);
    }
    auto vadModel = settings.vadModel.value_or(settings.model->parent_path() /
                                               WhisperCppEngine::vadModelFileName);
    // A model known by its file name says whether it predicts timestamps; others are taken to
    // be standard Whisper models, which do.
    auto known = whisperCppModelFromFileName(settings.model->filename().string());
    const bool useGPU = AppSettings(&defaults).usesGPU();
    return std::make_unique<WhisperCppEngine>(
        *settings.model, vadModel, useGPU, known ? predictsTimestamps(*known) : true,
        SileroVoiceActivityDetector::Parameters{}, settings.threadCount);
}

// Fails before long work when the output could not be saved: its folder is missing or not
// writable, or a folder has the file's name.
void requireSavableOutput(const std::filesystem::path& target) {
    auto folder = target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        throw FileError("be saved", target,
                        std::make_error_code(std::errc::no_such_file_or_directory));
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        throw FileError("be saved", target, std::error_code(errno, std::generic_category()));
    }
    if (std::filesystem::is_directory(target, error)) {
        throw FileError("be saved", target, std::make_error_code(std::errc::is_a_directory));
    }
}

// The exported documents are titled with the file's name and dated with its modification time.
TranscriptSource sourceOf(const std::filesystem::path& audioFile) {
    TranscriptSource source{audioFile.stem().string(), std::chrono::system_clock::now()};
    std::error_code error;
    auto modified = std::filesystem::last_write_time(audioFile, error);
    if (!error) {
        source.date = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(modified));
    }
    return source;
}

void show(ProgressDisplay& display, const TranscriptionProgress& progress) {
    for (const auto& segment : progress.newSegments) {
        display.printAbove(renderTextLine(segment.start, segment.end, segment.text, segment.doubts,
                                          segment.speaker));
    }
    switch (progress.phase) {
    case TranscriptionProgress::Phase::loadingModel:
        display.update("Loading the speech model…", std::nullopt);
        break;
    case TranscriptionProgress::Phase::transcribing: {
        auto finish = progress.estimatedFinishDate(std::chrono::system_clock::now());
        display.update("Transcribing…", progress.fractionCompleted(), estimatedFinishNote(finish));
        break;
    }
    case TranscriptionProgress::Phase::finished:
        display.update("Finished", 1.0);
        break;
    }
}

// The file's length for the progress of a two-track transcription. A file that cannot be read
// is left to the engine's own message.
double measuredDuration(const std::filesystem::path& audio) {
    try {
        return AudioFileInfo::of(audio).duration;
    } catch (const std::exception&) {
        return 0;
    }
}

// The audio is read more than once (measured, then decoded), which a pipe cannot be; opening
// one would also wait for a writer beyond the reach of Ctrl-C. A missing file is left to the
// engine's own message.
void requireRegularAudioFile(const std::filesystem::path& audio) {
    std::error_code error;
    auto type = std::filesystem::status(audio, error).type();
    if (!error && type != std::filesystem::file_type::regular) {
        throw std::runtime_error("The audio file could not be read: " + audio.filename().string() +
                                 ": it isn't a file (but a pipe, a device or a folder); give "
                                 "the audio as a file.");
    }
}

int run(std::span<const std::string> arguments) {
    auto parsed = parser().parse(arguments);
    if (parsed.helpRequested) {
        std::cout << parser().helpText();
        return exitDone;
    }
    Settings settings = settingsFrom(parsed);
    requireRegularAudioFile(settings.audioFile);
    if (settings.systemAudioFile) {
        requireRegularAudioFile(*settings.systemAudioFile);
    }
    for (const auto& output : settings.outputs) {
        if (output.file) {
            requireSavableOutput(*output.file);
        }
    }

    // Before the engine starts its threads, so that they leave the signals to the watcher.
    SignalCancellation cancellation;
    JsonUserDefaults defaults;
    auto model =
        settings.model
            ? whisperCppModelFromFileName(settings.model->filename().string())
            : ModelSelection(ResourceBundle::main(), defaults, userModelsDirectory()).modelInUse();
    if (auto warning = model ? modelLanguageWarning(*model, settings.language) : std::nullopt) {
        std::cerr << *warning << "\n";
    }
    auto engine = makeEngine(settings, defaults);
    if (settings.verbose) {
        const bool useGPU = AppSettings(&defaults).usesGPU();
        std::cerr << "Running on " << ComputeBackends::deviceInUse(useGPU) << "\n";
    }
    TranscriptionOptions options = TranscriptionOptions::standard(settings.language);
    options.voiceActivityDetection = settings.voiceActivityDetection;

    Transcript transcript;
    {
        ProgressDisplay display(std::cerr, ProgressDisplay::standardErrorIsTerminal());
        auto shown = [&display](const TranscriptionProgress& progress) { show(display, progress); };
        if (settings.systemAudioFile) {
            transcript = TwoTrackTranscriber(*engine, {settings.cancelEcho})
                             .transcribe({settings.audioFile, measuredDuration(settings.audioFile)},
                                         {*settings.systemAudioFile,
                                          measuredDuration(*settings.systemAudioFile)},
                                         options, shown, cancellation.token());
        } else {
            transcript =
                engine->transcribe(settings.audioFile, options, shown, cancellation.token());
        }
    }
    engine->shutdown(3);
    if (cancellation.cancelled()) {
        throw CancellationError(); // a stop that came as the work ended still writes nothing
    }

    auto source = sourceOf(settings.audioFile);
    for (const auto& output : settings.outputs) {
        std::string text = output.format->render(transcript, source);
        if (output.file) {
            writeFileAtomically(*output.file, text);
        } else {
            std::cout << text << std::flush;
        }
    }
    std::cerr << unrecognizedSpeechLine(transcript.unrecognizedSpeech.size());
    return exitDone;
}

} // namespace

Command transcribeCommand() {
    return {"transcribe", "transcribe an audio file and print or save the transcript", run};
}

} // namespace bw::cli
