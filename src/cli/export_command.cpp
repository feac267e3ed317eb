#include "cli/export_command.h"

#include "cli/exit_code.h"
#include "cli/library_session.h"
#include "cli/stored_transcript.h"
#include "transcripts/export_panel.h"

#include <iostream>

namespace bw::cli {

namespace {

// Answers "where should this file go?" from the command line: the --output path (inside it
// when it is a folder), else the suggested name in the current folder. An existing file is
// replaced only when --force was given; otherwise the answer is "cancel" and `refused` names it.
class CommandLineSavePanel : public SavePanel {
public:
    CommandLineSavePanel(std::optional<std::filesystem::path> output, bool force)
        : m_output(std::move(output)), m_force(force) {}

    void ask(const SaveQuestion& question, Answer answer) override {
        std::filesystem::path target = m_output.value_or(question.suggestedFileName);
        std::error_code ignored;
        if (std::filesystem::is_directory(target, ignored)) {
            target /= question.suggestedFileName;
        }
        if (!m_force && std::filesystem::exists(target, ignored)) {
            refused = target;
            answer(std::nullopt);
            return;
        }
        chosen = target;
        answer(target);
    }

    std::optional<std::filesystem::path> chosen;
    std::optional<std::filesystem::path> refused;

private:
    std::optional<std::filesystem::path> m_output;
    bool m_force;
};

int runExport(std::span<const std::string> arguments) {
    ArgumentParser parser(
        "brindlewick export ITEM --format txt|srt|docx [--doubtful keep|mark|omit] "
        "[--output PATH] [--force] [options]",
        "Exports the saved transcript of a recording, with the edits made to it, as plain text, "
        "subtitles or a Word document. ITEM is an identifier or a unique prefix of one. Without "
        "--output the file is saved in the current folder under a name made from the "
        "recording's title. The date is written in this computer's time zone.");
    parser.positionals("ITEM", "the recording", 1, 1)
        .option("--format", "FORMAT", "txt, srt or docx (required)")
        .option("--doubtful", "CHOICE",
                "segments whose text may be wrong and were not corrected: keep them as they "
                "are (the default), mark them with [?] or omit them")
        .option("--output", "PATH", "the file to write, or the folder to write it in")
        .flag("--force", "replace a file that already exists");
    auto parsed = parseLibraryArguments(parser, arguments);
    if (parsed.helpRequested) {
        return exitDone;
    }
    auto formatName = parsed.option("--format");
    if (!formatName) {
        throw UsageError("--format is required (txt, srt or docx)");
    }
    auto format = exportFormatFromRawValue(*formatName);
    if (!format) {
        throw UsageError("--format must be txt, srt or docx, not \"" + *formatName + "\"");
    }
    const std::string doubtfulName = parsed.option("--doubtful").value_or("keep");
    const auto doubtful = doubtfulTextFromRawValue(doubtfulName);
    if (!doubtful) {
        throw UsageError("--doubtful must be keep, mark or omit, not \"" + doubtfulName + "\"");
    }
    std::optional<std::filesystem::path> output;
    if (auto value = parsed.option("--output")) {
        if (value->empty()) {
            throw UsageError("--output needs a path");
        }
        output = *value;
    }

    LibrarySession session(parsed, LibraryModel::Access::readOnly);
    auto id = session.resolveItem(parsed.positionals[0]);
    auto editor = openStoredTranscript(session, id);
    CommandLineSavePanel panel(output, parsed.flag("--force"));
    std::optional<std::string> failure;
    ExportPanel(panel, *doubtful)
        .save(*session.model().item(id), editor->document(), *format,
              [&](const std::string& message) { failure = message; });
    if (failure) {
        std::cerr << *failure << "\n";
        return exitFailed;
    }
    if (panel.refused) {
        std::cerr << "“" << panel.refused->string()
                  << "” already exists. Add --force to replace it, or choose another file "
                     "with --output.\n";
        return exitFailed;
    }
    std::cout << panel.chosen.value_or("").string() << "\n";
    return session.finish(std::cerr);
}

} // namespace

Command exportCommand() {
    return Command{"export", "export the saved transcript of a recording as .txt, .srt or .docx",
                   runExport};
}

} // namespace bw::cli
