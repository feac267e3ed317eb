// "brindlewick library transcribe" and "brindlewick library transcript": a recording's
// transcription through the application's transcription service, and its stored transcript.

#include "base/cancellation_error.h"
#include "cli/exit_code.h"
#include "cli/library_command.h"
#include "cli/library_session.h"
#include "cli/progress_display.h"
#include "cli/quit_on_signal.h"
#include "cli/transcript_command.h"
#include "cli/transcript_output.h"
#include "cli/transcription_texts.h"
#include "library/copy.h"
#include "library/support_texts.h"
#include "platform/file_error.h"
#include "platform/json_user_defaults.h"
#include "platform/library_location.h"
#include "platform/signal_cancellation.h"
#include "service/transcription_service.h"
#include "transcripts/transcript_document_json.h"
#include "transcripts/transcript_store.h"
#include "whisper/bundled_models.h"
#include "whisper/model_catalog.h"
#include "whisper/model_selection.h"

#include <QEventLoop>

#include <cerrno>
#include <iostream>

#include <unistd.h>

namespace bw::cli {

namespace {

// Shows the job as it changes: segments that arrived since the last look above the status
// line, then the phase with the share done and the estimated finish.
class JobDisplay {
public:
    explicit JobDisplay(ProgressDisplay& display) : m_display(display) {}

    void show(const TranscriptionJob& job) {
        for (; m_segmentsShown < job.segments.size(); ++m_segmentsShown) {
            const auto& segment = job.segments[m_segmentsShown];
            m_display.printAbove(renderTextLine(segment.start, segment.end, segment.text,
                                                segment.doubts, segment.speaker));
        }
        switch (job.phase) {
        case TranscriptionJob::Phase::loadingModel:
            m_display.update("Loading the speech model…", std::nullopt);
            break;
        case TranscriptionJob::Phase::transcribing:
            m_display.update("Transcribing…", job.fractionCompleted,
                             estimatedFinishNote(job.estimatedFinish));
            break;
        case TranscriptionJob::Phase::saving:
            m_display.update("Saving…", 1.0);
            break;
        }
    }

private:
    ProgressDisplay& m_display;
    size_t m_segmentsShown = 0;
};

// Fails before the long work when its transcript could not be saved: the recording's folder
// (where the transcript goes) or the library's lock (or the root, where it would be made)
// cannot be written. A folder gone meanwhile is left to the service, which says so.
void requireSavableTranscript(const LibraryStore& store, const Uuid& itemID) {
    std::error_code error;
    auto lock = store.rootURL() / ".lock";
    if (!std::filesystem::exists(lock, error)) {
        lock = store.rootURL();
    }
    for (const auto& path : {store.itemFolderURL(itemID), lock}) {
        if (::access(path.c_str(), W_OK) != 0 && errno != ENOENT) {
            throw std::runtime_error(
                "The transcript couldn't be saved, so the recording wasn't transcribed. Check "
                "that the library can be changed, then try again." +
                detail(FileError("be changed", path,
                                 std::error_code(errno, std::generic_category()))));
        }
    }
}

int runTranscribe(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick library transcribe ITEM --language sk|cs|de|en [options]",
                          "Transcribes a recording of the library and saves its transcript, as "
                          "the application does. ITEM is an identifier or a unique prefix of "
                          "one. A transcription that was stopped carries on from its last "
                          "finished chunk when the model and language are the same.");
    parser.positionals("ITEM", "the recording", 1, 1)
        .option("--language", "CODE", "the spoken language: sk, cs, de or en (required)");
    auto parsed = parseLibraryArguments(parser, arguments);
    if (parsed.helpRequested) {
        return exitDone;
    }
    auto language = requiredLanguage(parsed);

    // Before any thread starts, so that every thread leaves the signals to its watcher.
    SignalCancellation cancellation;
    LibrarySession session(parsed);
    auto item = session.model().item(session.resolveItem(parsed.positionals[0]));
    if (!item) {
        throw std::runtime_error("No recording matches “" + parsed.positionals[0] + "”.");
    }
    requireSavableTranscript(session.model().store(), item->id);
    JsonUserDefaults defaults;
    if (auto model =
            ModelSelection(ResourceBundle::main(), defaults, userModelsDirectory()).modelInUse()) {
        if (auto warning = modelLanguageWarning(*model, language)) {
            std::cerr << *warning << "\n";
        }
    }
    TranscriptionService service(
        session.model().store(), [&defaults]() -> std::shared_ptr<TranscriptionEngine> {
            return BundledModels::makeEngine(ResourceBundle::main(), defaults);
        });
    // Ctrl-C cancels the transcription as quitting does; the job then ends, and the loop.
    QuitOnSignal quit(cancellation, {.transcription = &service});

    {
        ProgressDisplay display(std::cerr, ProgressDisplay::standardErrorIsTerminal());
        JobDisplay jobDisplay(display);
        QEventLoop loop;
        QObject::connect(&service, &TranscriptionService::jobChanged, &loop, [&] {
            if (service.job()) {
                jobDisplay.show(*service.job());
            } else {
                loop.quit();
            }
        });
        if (cancellation.cancelled()) {
            throw CancellationError();
        }
        service.start(*item, language); // a refused start throws its message
        // Nothing is drawn yet, so the line stands above the status line, on a terminal or not.
        if (const auto from = service.job()->resumedFrom) {
            std::cerr << Copy::resumingTranscription(*from) << "\n";
        }
        jobDisplay.show(*service.job());
        loop.exec();
    }
    quit.run(); // lets the engine go

    if (service.savedTranscripts().count(item->id) > 0) {
        return exitDone;
    }
    if (auto failure = service.failures().find(item->id); failure != service.failures().end()) {
        std::cerr << failure->second << "\n";
        return exitFailed;
    }
    // Ended with neither transcript nor failure: it was cancelled, or the recording went away.
    if (cancellation.cancelled()) {
        throw CancellationError();
    }
    std::cerr << "The recording was deleted while it was being transcribed.\n";
    return exitFailed;
}

} // namespace

std::vector<Command> libraryTranscriptionSubcommands() {
    return {
        {"transcribe", "transcribe a recording and save its transcript", runTranscribe},
        {"transcript", "print the saved transcript of a recording",
         [](std::span<const std::string> arguments) {
             return runShowTranscript(arguments, "brindlewick library transcript");
         }},
    };
}

} // namespace bw::cli
