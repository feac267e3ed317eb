#include "cli/transcribe_command.h"

#include "cli/argument_parser.h"
#include "cli/atomic_file.h"
#include "cli/exit_code.h"
#include "cli/progress_display.h"
#include "cli/signal_cancellation.h"
#include "cli/transcript_output.h"
#include "transcription/cancellation_error.h"
#include "whisper/bundled_models.h"
#include "whisper/whisper_cpp_engine.h"

#include <ctime>
#include <iostream>

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
    auto language = arguments.option("--language");
    if (!language) {
        throw UsageError("--language is required: sk, cs, de or en");
    }
    auto parsed = languageFromCode(*language);
    if (!parsed) {
        throw UsageError("--language takes sk, cs, de or en, not \"" + *language + "\"");
    }
    settings.language = *parsed;
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

std::string clockTime(std::chrono::system_clock::time_point when) {
    std::time_t time = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&time, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
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
        display.update("Transcribing…", progress.fractionCompleted(),
                       finish ? "Ready at about " + clockTime(*finish)
                              : "Estimating when it will be ready…");
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
        requireWritableFolder(*settings.output);
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

    std::string text = settings.format->render(transcript);
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
