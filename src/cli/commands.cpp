#include "cli/command.h"
#include "cli/diagnostics_command.h"
#include "cli/export_command.h"
#include "cli/library_command.h"
#include "cli/models_command.h"
#include "cli/play_command.h"
#include "cli/recording_commands.h"
#include "cli/search_command.h"
#include "cli/transcribe_command.h"
#include "cli/transcript_command.h"

namespace bw::cli {

std::vector<Command> allCommands() {
    std::vector<Command> commands;
    commands.push_back(transcribeCommand());
    commands.push_back(libraryCommand());
    commands.push_back(recordCommand());
    commands.push_back(devicesCommand());
    commands.push_back(transcriptCommand());
    commands.push_back(searchCommand());
    commands.push_back(exportCommand());
    commands.push_back(modelsCommand());
    commands.push_back(playCommand());
    commands.push_back(diagnosticsCommand());
    return commands;
}

} // namespace bw::cli
