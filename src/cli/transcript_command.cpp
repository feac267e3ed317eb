#include "cli/transcript_command.h"

#include "cli/exit_code.h"
#include "cli/library_session.h"
#include "cli/stored_transcript.h"
#include "cli/transcript_output.h"
#include "platform/signal_cancellation.h"
#include "transcripts/transcript_document_json.h"
#include "transcripts/transcript_text.h"

#include <climits>
#include <iostream>

namespace bw::cli {

namespace {

// A segment's doubts are shown until it is edited.
std::string renderLine(const TranscriptDocument::Segment& segment) {
    static const std::vector<SegmentDoubt> none;
    return renderTextLine(segment.start, segment.end, segment.text,
                          segment.isDoubtful() ? segment.doubts : none, segment.speaker);
}

using NewText =
    std::function<std::string(const ParsedArguments&, const TranscriptDocument::Segment&)>;

std::string missingSegmentMessage(const TranscriptDocument& document, std::int64_t id) {
    const auto& segments = document.segments;
    if (segments.empty()) {
        return "This transcript has no segments.";
    }
    std::string missing = "This transcript has no segment " + std::to_string(id);
    bool numberedInOrder = true;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        numberedInOrder = numberedInOrder && segments[i].id == std::int64_t(i);
    }
    if (numberedInOrder) {
        return missing + "; its segments are numbered 0 to " + std::to_string(segments.size() - 1) +
               ".";
    }
    return missing + "; its segments' numbers are the \"id\" values that \"brindlewick "
                     "transcript show ITEM --json\" prints.";
}

// Parses ITEM SEGMENT [...], sets that segment's text through the editor model and saves it
// before returning. Ctrl-C or SIGTERM meanwhile does not stop it half-way: the change is made
// and saved as on quitting (a second signal ends the process at once, as ever).
int changeSegment(ArgumentParser& parser, std::span<const std::string> arguments,
                  const NewText& newText) {
    auto parsed = parseLibraryArguments(parser, arguments);
    if (parsed.helpRequested) {
        return exitDone;
    }
    int segmentID = parseIntegerOption("SEGMENT", parsed.positionals[1], 0, INT_MAX);
    SignalCancellation heldSignals; // until the change is saved
    LibrarySession session(parsed);
    auto editor = openStoredTranscript(session, session.resolveItem(parsed.positionals[0]));
    const auto* segment = editor->document().segment(segmentID);
    if (!segment) {
        std::cerr << missingSegmentMessage(editor->document(), segmentID) << "\n";
        return exitFailed;
    }
    editor->setText(newText(parsed, *segment), segmentID);
    editor->saveNow();
    if (editor->saveError()) {
        std::cerr << *editor->saveError() << "\n";
        return exitFailed;
    }
    segment = editor->document().segment(segmentID);
    std::cout << renderLine(*segment) << "\n";
    return session.finish(std::cerr);
}

int runEdit(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick transcript edit ITEM SEGMENT TEXT [options]",
                          "Changes the text of one segment of a recording's saved transcript; "
                          "its original text is kept. ITEM is an identifier or a unique prefix "
                          "of one; SEGMENT is the segment's number, from 0. Line breaks in TEXT "
                          "become spaces. Put -- before a TEXT that starts with a dash.");
    parser.positionals("ITEM SEGMENT TEXT", "the recording, the segment and its new text", 3, 3);
    return changeSegment(parser, arguments, [](const ParsedArguments& parsed, const auto&) {
        return TranscriptText::singleLine(parsed.positionals[2]);
    });
}

int runRestore(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick transcript restore ITEM SEGMENT [options]",
                          "Gives one segment of a recording's saved transcript back the text "
                          "the transcription produced. ITEM is an identifier or a unique prefix "
                          "of one; SEGMENT is the segment's number, from 0.");
    parser.positionals("ITEM SEGMENT", "the recording and the segment", 2, 2);
    return changeSegment(parser, arguments,
                         [](const ParsedArguments&, const TranscriptDocument::Segment& segment) {
                             return segment.originalText;
                         });
}

std::vector<Command> transcriptSubcommands() {
    return {
        {"show", "print the saved transcript of a recording",
         [](std::span<const std::string> arguments) {
             return runShowTranscript(arguments, "brindlewick transcript show");
         }},
        {"edit", "change the text of one segment", runEdit},
        {"restore", "give one segment back its original text", runRestore},
    };
}

int runTranscript(std::span<const std::string> arguments) {
    return runSubcommand("transcript", "Shows and corrects the saved transcript of a recording.",
                         transcriptSubcommands(), arguments);
}

} // namespace

int runShowTranscript(std::span<const std::string> arguments, const std::string& command) {
    ArgumentParser parser(command + " ITEM [--json] [options]",
                          "Prints the saved transcript of a recording, one segment a line, with "
                          "the edits made to it. ITEM is an identifier or a unique prefix of "
                          "one.");
    parser.positionals("ITEM", "the recording", 1, 1)
        .flag("--json", "print the transcript document as JSON");
    auto parsed = parseLibraryArguments(parser, arguments);
    if (parsed.helpRequested) {
        return exitDone;
    }
    LibrarySession session(parsed, LibraryModel::Access::readOnly);
    auto editor = openStoredTranscript(session, session.resolveItem(parsed.positionals[0]));
    const auto& document = editor->document();
    if (parsed.flag("--json")) {
        std::cout << toJson(document).dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                  << "\n";
    } else {
        for (const auto& segment : document.segments) {
            std::cout << renderLine(segment) << "\n";
        }
        std::cout << std::flush;
        std::cerr << unrecognizedSpeechLine(document.unrecognizedSpeech.size());
    }
    // A damaged group list is reported even here, as by the other commands that only read.
    return session.finish(std::cerr);
}

Command transcriptCommand() {
    return Command{"transcript", "show and correct the saved transcript of a recording",
                   runTranscript};
}

} // namespace bw::cli
