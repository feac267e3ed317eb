#include "cli/transcribe_command.h"

#include "cli/argument_parser.h"
#include "cli/exit_code.h"
#include "cli/progress_display.h"
#include "cli/signal_cancellation.h"
#include "cli/transcript_output.h"
#include "cli/transcription_texts.h"
#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "transcription/cancellation_error.h"
#include "whisper/bundled_models.h"
#include "whisper/whisper_cpp_engine.h"

#include <cerrno>
#include <ctime>
#include <iostream>
#include <unistd.h>

namespace bw::cli {

namespace {

struct Settings {
    std::filesystem::path audioFile;
    TranscriptionLanguage language = TranscriptionLanguage::english;
    std::optional<std::filesystem::path> model;
    std::optional<std::filesystem::path> vadModel;
    bool voiceActivityDetection = true;
    int threadCount = WhisperCppEngine::defaultThreadCount;
    const TranscriptFormat* format = nullptr;
    std::optional<std::filesystem::path> output;
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
        .flag("--no-vad", "transcribe everything, without skipping silence")
        .option("--threads", "N", "decoding threads (default 4)")
        .option("--format", formatNames(), "what to write (default text)")
        .option("--output", "PATH", "write to this file instead of standard output");
}

Settings settingsFrom(const ParsedArguments& arguments) {
    Settings settings;
    settings.audioFile = arguments.positionals.front();
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
    if (auto threads = arguments.option("--threads")) {
        settings.threadCount = parseIntegerOption("--threads", *threads, 1, 256);
    }
    std::string format = arguments.option("--format").value_or("text");
    settings.format = findTranscriptFormat(format);
    if (settings.format == nullptr) {
        throw UsageError("--format takes " + formatNames() + ", not \"" + format + "\"");
    }
    if (auto output = arguments.option("--output")) {
        settings.output = *output;
    }
    if (settings.format->fileOnly && !settings.output) {
        throw UsageError("--format " + format + " needs --output");
    }
    return settings;
}

std::unique_ptr<TranscriptionEngine> makeEngine(const Settings& settings) {
    if (!settings.model) {
        return BundledModels::makeEngine(ResourceBundle::main(), settings.threadCount);
    }
    auto vadModel = settings.vadModel.value_or(settings.model->parent_path() /
                                               WhisperCppEngine::vadModelFileName);
    // A model known by its file name says whether it predicts timestamps; others are taken to
    // be standard Whisper models, which do.
    auto known = whisperCppModelFromFileName(settings.model->filename().string());
    return std::make_unique<WhisperCppEngine>(
        *settings.model, vadModel, true, known ? predictsTimestamps(*known) : true,
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
        display.printAbove(renderTextLine(segment.start, segment.end, segment.text));
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

int run(std::span<const std::string> arguments) {
    auto parsed = parser().parse(arguments);
    if (parsed.helpRequested) {
        std::cout << parser().helpText();
        return exitDone;
    }
    Settings settings = settingsFrom(parsed);
    if (settings.output) {
        requireSavableOutput(*settings.output);
    }

    // Before the engine starts its threads, so that they leave the signals to the watcher.
    SignalCancellation cancellation;
    auto engine = makeEngine(settings);
    TranscriptionOptions options = TranscriptionOptions::standard(settings.language);
    options.voiceActivityDetection = settings.voiceActivityDetection;

    Transcript transcript;
    {
        ProgressDisplay display(std::cerr, ProgressDisplay::standardErrorIsTerminal());
        transcript = engine->transcribe(
            settings.audioFile, options,
            [&display](const TranscriptionProgress& progress) { show(display, progress); },
            cancellation.token());
    }
    engine->shutdown(3);
    if (cancellation.cancelled()) {
        throw CancellationError(); // a stop that came as the work ended still writes nothing
    }

    std::string text = settings.format->render(transcript, sourceOf(settings.audioFile));
    if (settings.output) {
        writeFileAtomically(*settings.output, text);
    } else {
        std::cout << text << std::flush;
    }
    return exitDone;
}

} // namespace

Command transcribeCommand() {
    return {"transcribe", "transcribe an audio file and print or save the transcript", run};
}

} // namespace bw::cli
